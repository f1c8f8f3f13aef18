// tavorin-screenshots OUTDIR: takes the screenshots of the documentation.
//
// Run it in a prepared working folder (img/login.png, data/mybook.mdb, and
// test.html beside the executable) on an X display, as scripts/screenshots
// does. It shows the login window over a coloured desktop, so that its shape
// shows, then the instructions browser and the about box, and saves what the
// screen shows of each as login.png, help.png and about.png in OUTDIR.
#include "accounts/FrmLogin.h"
#include "core/Application.h"
#include "core/Forms.h"
#include "help/Frmbijishuoming.h"
#include "help/frmAbout.h"

#include <QDir>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// What the screen shows around a window, `margin` pixels on every side.
bool shoot(QWidget *window, int margin, const QString &path)
{
    settle(1200);
    QScreen *screen = window->screen();
    const QRect area = window->frameGeometry().adjusted(-margin, -margin, margin, margin).intersected(screen->geometry());
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (shot.isNull() || !shot.save(path)) {
        QTextStream(stderr) << "cannot save " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavorin"));
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavorin-screenshots OUTDIR\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        QTextStream(stderr) << "cannot make " << out.path() << '\n';
        return 1;
    }

    // A desktop of its own, so that the shots do not depend on the display's.
    QWidget desktop(nullptr, Qt::Window | Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QLinearGradient sky(0, 0, 0, screen.height());
    sky.setColorAt(0, QColor(58, 110, 165));
    sky.setColorAt(1, QColor(120, 170, 200));
    QPalette pal = desktop.palette();
    pal.setBrush(QPalette::Window, sky);
    desktop.setPalette(pal);
    desktop.setAutoFillBackground(true);
    desktop.setGeometry(screen);
    desktop.show();
    settle(300);

    bool ok = true;
    FrmLogin *login = Forms::get<FrmLogin>();
    login->show();
    ok = shoot(login, 40, out.filePath(QStringLiteral("login.png"))) && ok;
    login->hide();

    Frmbijishuoming *help = Forms::get<Frmbijishuoming>();
    help->move(screen.center() - help->rect().center());
    help->show();
    ok = shoot(help, 0, out.filePath(QStringLiteral("help.png"))) && ok;
    help->hide();

    frmAbout *about = Forms::get<frmAbout>();
    about->show();
    about->move(screen.center() - about->rect().center());
    ok = shoot(about, 0, out.filePath(QStringLiteral("about.png"))) && ok;
    return ok ? 0 : 1;
}
