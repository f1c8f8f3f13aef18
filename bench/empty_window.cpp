// The start-up rival: the least a Qt Widgets program does to show a window. With --text the
// window also holds one label and one text box: what Qt's first text costs.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <cstring>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(342, 308); // the login window's size
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto *label = new QLabel(QStringLiteral("用户名："), &window);
        label->move(23, 140);
        (new QLineEdit(&window))->setGeometry(80, 136, 145, 18);
    }
    window.show();
    return app.exec();
}
