#pragma once

#include <QApplication>

// The one boundary around event dispatch: any exception escaping an event
// handler (the engine's, the program's Failure, or anything else) is shown in
// a message box and the program goes on. It also makes Qt's own texts
// (message-box buttons, file dialogs) Chinese.
class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Installs Qt's Chinese translations whatever the system locale: the
    // interface has no other language. False when they are not installed.
    static bool loadQtTranslations();
};
