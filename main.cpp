// SPDX-License-Identifier: GPL-3.0-or-later
#include "accounts/LoginArtwork.h"
#include "accounts/LoginWindow.h"
#include "catalogue/MainWindow.h"
#include "core/Application.h"
#include "core/DatabaseLocation.h"
#include "core/BackupGuard.h"
#include "core/Forms.h"
#include "core/Failure.h"
#include "core/MessageBox.h"
#include "core/ResourceLocator.h"
#include "core/SingleInstance.h"
#include "core/StartOptions.h"
#include "core/Startup.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/TableList.h"
#include "exchange/AccessImport.h"

#include <QDir>
#include <QScopeGuard>
#include <QTextStream>
#include <QTimer>
#include <optional>

namespace {

const QString DesktopId = QStringLiteral("org.example.Tavorin");

// --check: what a start would use, printed instead of shown; the per-user
// notebook is made as a first start makes it. Status 0 when everything is found.
int checkInstallation(const DatabaseLocation &location)
{
    QTextStream out(stdout);
    bool ok = true;
    QString message;
    const DatabaseLocation::Readiness readiness = location.prepare(&message);
    out << "database: " << location.displayName() << '\n';
    if (readiness == DatabaseLocation::Missing || readiness == DatabaseLocation::Failed) {
        out << "database-problem: " << message.simplified() << '\n';
        ok = false;
    } else {
        out << "database-created: " << (readiness == DatabaseLocation::Created ? "yes" : "no") << '\n';
        out << "database-read-only: " << (location.readOnly() ? "yes" : "no") << '\n';
        try {
            db::Connection conn;
            conn.open(location.notebook());
            db::TableList tables(conn);
            const bool ours = tables.contains(QStringLiteral("Users")) && tables.contains(QStringLiteral("Website"));
            out << "database-opens: " << (ours ? "yes" : "no, not a notebook of this program") << '\n';
            ok = ok && ours;
        } catch (const db::DbError &e) {
            out << "database-opens: no, " << e.message() << '\n';
            ok = false;
        }
    }
    ResourceLocator::setWorkingFolder(location.workingFolder());

    for (const char *name : {"img/login.png", "test.html"}) {
        const QString found = ResourceLocator::find(QLatin1String(name));
        out << name << ": " << (found.isEmpty() ? QStringLiteral("missing") : QDir::toNativeSeparators(found)) << '\n';
        ok = ok && !found.isEmpty();
    }
    // The login window as the user would get it: drawn from that artwork, or plain.
    auto *login = Forms::get<LoginWindow>();
    out << "login-artwork-shown: " << (login->artworkShown() ? "yes" : "no") << '\n';
    ok = ok && login->artworkShown();
    delete login;
    return ok ? 0 : 1;
}

void bringForward()
{
    QWidget *window = Forms::loaded<MainWindow>();
    if (!window || !window->isVisible())
        window = Forms::loaded<LoginWindow>();
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

// The login window is all there is at first; the database is opened by the
// first login check, not here. A good login opens the main window, and a main
// window that sends the user back (after a restore) starts this again.
void showLogin()
{
    const bool freshLogin = !Forms::loaded<LoginWindow>();
    LoginWindow *login = Forms::get<LoginWindow>();
    if (freshLogin)
        QObject::connect(login, &LoginWindow::loggedIn, [] {
            const bool freshMain = !Forms::loaded<MainWindow>();
            MainWindow *main = Forms::get<MainWindow>();
            if (freshMain)
                QObject::connect(main, &MainWindow::loginAgain, &showLogin);
            main->show();
        });
    login->show();
}

} // namespace

int main(int argc, char **argv)
{
    // --help, --version and mistakes are answered before any window system is
    // touched: over SSH, in a script or in a package check there may be none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const StartOptions options = StartOptions::parse(arguments);
    if (options.action == StartOptions::ShowText || options.action == StartOptions::Refuse)
        return options.report();

    // The notebook's place is known before any window: it tells where the
    // login artwork lies, which a second core decodes after reading the font
    // configuration, both while Qt connects to the window system.
    QApplication::setApplicationName(QStringLiteral("Tavorin"));
    const DatabaseLocation location = DatabaseLocation::find(DatabaseLocation::processInputs(options.database));
    ResourceLocator::setWorkingFolder(location.workingFolder());
    Startup::SecondCore second;
    LoginArtwork::decodeAhead(LoginWindow::artworkFile(), [&second](std::function<void()> job) { second.post(std::move(job)); });
    Application app(argc, argv);
    const auto secondCoreDone = qScopeGuard([&second] { second.finish(); });
    second.waitForFonts();
    QGuiApplication::setDesktopFileName(DesktopId);
    if (options.action == StartOptions::Check)
        return checkInstallation(location);

    // Two programs writing one file would each show stale lists and undo the
    // other's work: a second start hands over to the first.
    // A server is shared by design: several programs on it are the point.
    std::optional<SingleInstance> instance;
    if (!location.onServer()) {
        instance.emplace(location);
        switch (instance->claim()) {
        case SingleInstance::First:
            break;
        case SingleInstance::Forwarded:
            QTextStream(stdout) << "Tavorin: " << QDir::toNativeSeparators(location.path())
                                << " is already open; its window was brought forward.\n";
            return 0;
        case SingleInstance::AlreadyOpen:
            MessageBox::show(QStringLiteral("这个记事本已经在另一个 Tavorin 中打开：\n%1")
                                 .arg(QDir::toNativeSeparators(location.path())));
            return 1;
        case SingleInstance::Unsafe:
            MessageBox::show(QStringLiteral("文件夹 %1 不是只属于您的文件夹（属于其他用户，或其他人可以写入），"
                                            "程序不能在其中确认这个记事本没有被另一个 Tavorin 打开。")
                                 .arg(QDir::toNativeSeparators(SingleInstance::privateFolder(location.path()))));
            return 1;
        }
        QObject::connect(&*instance, &SingleInstance::activationRequested, &bringForward);
    }

    // Qt's font database, which the login window's first text box asks for,
    // is filled there too while this core checks the notebook.
    second.post(&Startup::fillFontDatabase);

    // A notebook of the original program (Access) is offered for conversion.
    AccessImport::offerAtStart(location);
    try {
        if (const QString firstRun = Startup::openNotebook(location); !firstRun.isEmpty())
            MessageBox::show(firstRun);
    } catch (const Failure &e) {
        MessageBox::show(e.message());
        return 1;
    }
    showLogin();
    if (instance)
        QTimer::singleShot(0, &*instance, &SingleInstance::listen);
    const int status = app.exec();
    // What was written in this session is kept before the program ends.
    BackupGuard::atExit();
    return status;
}
