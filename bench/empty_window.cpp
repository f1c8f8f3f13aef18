// The start-up rival: the least a Qt Widgets program does to show a window.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(342, 308); // the login window's size
    window.show();
    return app.exec();
}
