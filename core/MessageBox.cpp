#include "core/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QQueue>

namespace {

bool TestMode = false;
QQueue<MessageBox::Button> Answers;
QList<MessageBox::Shown> Log;

QMessageBox::StandardButton standard(MessageBox::Button b)
{
    switch (b) {
    case MessageBox::Ok: return QMessageBox::Ok;
    case MessageBox::Cancel: return QMessageBox::Cancel;
    case MessageBox::Yes: return QMessageBox::Yes;
    case MessageBox::No: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

MessageBox::Button fromStandard(int b, MessageBox::Buttons buttons)
{
    switch (b) {
    case QMessageBox::Ok: return MessageBox::Ok;
    case QMessageBox::Cancel: return MessageBox::Cancel;
    case QMessageBox::Yes: return MessageBox::Yes;
    case QMessageBox::No: return MessageBox::No;
    }
    // Closed with Esc or the close box: the answer that changes nothing.
    switch (buttons) {
    case MessageBox::OkCancel: return MessageBox::Cancel;
    case MessageBox::YesNo: return MessageBox::No;
    case MessageBox::OkOnly: break;
    }
    return MessageBox::Ok;
}

} // namespace

MessageBox::Button MessageBox::show(const QString &text, Buttons buttons, Icon icon, const QString &title,
                                    Button defaultButton)
{
    const Button first = buttons == YesNo ? Yes : Ok;
    // Only tests read the texts back; a long session keeps none of them.
    if (TestMode) {
        Log.append({text, title, buttons, icon});
        return Answers.isEmpty() ? (defaultButton ? defaultButton : first) : Answers.dequeue();
    }

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Question, QMessageBox::Warning,
                                              QMessageBox::Information, QMessageBox::Critical};
    box.setIcon(icons[icon]);
    switch (buttons) {
    case OkOnly: box.setStandardButtons(QMessageBox::Ok); break;
    case OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    box.setDefaultButton(standard(defaultButton ? defaultButton : first));
    return fromStandard(box.exec(), buttons);
}

void MessageBox::setTestMode(bool on)
{
    TestMode = on;
    Answers.clear();
}

bool MessageBox::testMode() { return TestMode; }
void MessageBox::setNextAnswer(Button answer) { Answers.enqueue(answer); }

QStringList MessageBox::shown()
{
    QStringList texts;
    for (const Shown &s : Log)
        texts << s.text;
    return texts;
}

QList<MessageBox::Shown> MessageBox::shownDetails() { return Log; }

void MessageBox::clearShown()
{
    Log.clear();
    Answers.clear();
}
