#include "core/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>
#include <memory>

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
                                    Button defaultButton, const QString &informative)
{
    const Button first = buttons == YesNo ? Yes : Ok;
    // The box is made in test mode too (where a window system is there to
    // make it), so that tests read the button captions the user would get.
    std::unique_ptr<QMessageBox> box;
    QStringList captions;
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        box = std::make_unique<QMessageBox>(QApplication::activeWindow());
        box->setWindowTitle(title);
        box->setText(text);
        box->setInformativeText(informative);
        static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Question, QMessageBox::Warning,
                                                  QMessageBox::Information, QMessageBox::Critical};
        box->setIcon(icons[icon]);
        const QList<Button> offered = buttons == YesNo ? QList<Button>{Yes, No}
                                      : buttons == OkCancel ? QList<Button>{Ok, Cancel} : QList<Button>{Ok};
        for (const Button b : offered)
            captions << box->addButton(standard(b))->text();
        box->setDefaultButton(standard(defaultButton ? defaultButton : first));
    }
    // Only tests read the texts back; a long session keeps none of them.
    if (TestMode)
        Log.append({text, title, buttons, icon, informative, captions});
    if (TestMode || !box)
        return Answers.isEmpty() ? (defaultButton ? defaultButton : first) : Answers.dequeue();
    return fromStandard(box->exec(), buttons);
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
