#include "accounts/LoginWindow.h"
#include "catalogue/MainWindow.h"
#include "core/Application.h"
#include "core/BackupGuard.h"
#include "core/Forms.h"

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavorin"));
    // The login window is all there is at first; the database is opened by
    // the first login check, not here. A good login opens the main window.
    LoginWindow *login = Forms::get<LoginWindow>();
    QObject::connect(login, &LoginWindow::loggedIn, [] { Forms::get<MainWindow>()->show(); });
    login->show();
    const int status = app.exec();
    // What was written in this session is kept before the program ends.
    BackupGuard::atExit();
    return status;
}
