#include "accounts/LoginWindow.h"
#include "catalogue/MainWindow.h"
#include "core/Application.h"
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
    return app.exec();
}
