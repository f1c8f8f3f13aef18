#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message the program shows goes through here: title "Tavorin", OK
// only, no icon, unless told otherwise. In test mode nothing is shown on
// screen: answers come from setNextAnswer() (else the default button) and
// shown() lists the texts in order; outside test mode nothing is kept.
class MessageBox {
public:
    enum Button { Ok = 1, Cancel = 2, Yes = 6, No = 7 };
    enum Buttons { OkOnly, OkCancel, YesNo };
    enum Icon { NoIcon, Question, Exclamation, Information, Critical };

    struct Shown {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
        QString informative; // the detail under the text, or empty
        QStringList captions; // of the buttons, in Qt's words
    };

    static Button show(const QString &text, Buttons buttons = OkOnly, Icon icon = NoIcon,
                       const QString &title = QStringLiteral("Tavorin"), Button defaultButton = Button(0),
                       const QString &informative = QString());

    static void setTestMode(bool on);
    static bool testMode();
    static void setNextAnswer(Button answer);
    static QStringList shown();
    static QList<Shown> shownDetails();
    static void clearShown();
};
