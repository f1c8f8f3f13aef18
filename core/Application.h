#pragma once

#include <QApplication>

// The one boundary around event dispatch: a database error escaping an event
// handler is shown in a message box and the program goes on.
class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
