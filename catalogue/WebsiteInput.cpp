#include "catalogue/WebsiteInput.h"

#include "catalogue/Website.h"
#include "core/DateText.h"
#include "core/MessageBox.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace WebsiteInput {

bool fillCurWebsite(const WebsiteBoxes &boxes)
{
    const QString name = boxes.Webname->text().trimmed();
    if (name.isEmpty()) {
        MessageBox::show(QStringLiteral("请输入网站名称"));
        boxes.Webname->setFocus();
        return false;
    }
    const QString dateText = boxes.Webtime->text().trimmed();
    if (dateText.isEmpty()) {
        MessageBox::show(QStringLiteral("请输入日期"));
        boxes.Webtime->setFocus();
        return false;
    }
    const auto date = DateText::fromText(dateText);
    if (!date) {
        MessageBox::show(QStringLiteral("日期格式不正确，请重新输入"));
        boxes.Webtime->setFocus();
        boxes.Webtime->selectAll();
        return false;
    }

    Website &site = CurWebsite();
    site.Webname = name;
    const QString url = boxes.Weburl->text().trimmed();
    site.Weburl = url.isEmpty() ? QStringLiteral("http://") : url;
    site.Webtime = *date;
    const QString memos = boxes.Webmemos->toPlainText().trimmed();
    site.Webmemos = memos.isEmpty() ? QStringLiteral("无") : memos;
    return true;
}

bool refuseTakenName(const WebsiteBoxes &boxes, const QString &name)
{
    if (!CurWebsite().exists(name))
        return false;
    MessageBox::show(QStringLiteral("网站名称已经存在，请重新输入"));
    boxes.Webname->setFocus();
    boxes.Webname->selectAll();
    return true;
}

} // namespace WebsiteInput
