#include "core/InputText.h"

#include "core/MessageBox.h"
#include "core/db/TextCheck.h"

#include <QWidget>

namespace InputText {

bool acceptable(const QString &text, const QString &boxName, QWidget *box)
{
    const QString problem = db::textProblem(text);
    if (problem.isEmpty())
        return true;
    MessageBox::show(QStringLiteral("“%1”中%2，不能保存，也不能用来查找。请删去这个字符后再试。").arg(boxName, problem),
                     MessageBox::OkOnly, MessageBox::Exclamation);
    if (box)
        box->setFocus();
    return false;
}

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace InputText
