#include "catalogue/WebsiteInput.h"

#include "catalogue/Website.h"
#include "core/DateText.h"
#include "core/InputText.h"
#include "core/MessageBox.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace WebsiteInput {

bool fillCurWebsite(const WebsiteBoxes &boxes)
{
    // Pasted text may carry what the database cannot hold; say which box.
    if (!InputText::acceptable(boxes.Webname->text(), QStringLiteral("网站名称"), boxes.Webname)
        || !InputText::acceptable(boxes.Weburl->text(), QStringLiteral("网址"), boxes.Weburl)
        || !InputText::acceptable(boxes.Webtime->text(), QStringLiteral("接单日期"), boxes.Webtime)
        || !InputText::acceptable(boxes.Webmemos->toPlainText(), QStringLiteral("备注信息"), boxes.Webmemos))
        return false;
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

    Website &site = currentWebsite();
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
    if (!currentWebsite().exists(name))
        return false;
    MessageBox::show(QStringLiteral("网站名称已经存在，请重新输入"));
    boxes.Webname->setFocus();
    boxes.Webname->selectAll();
    return true;
}

bool refuseVanished(qint32 id)
{
    if (currentWebsite().isStored(id))
        return false;
    tellVanished();
    return true;
}

void tellVanished()
{
    MessageBox::show(QStringLiteral("该网站已不存在（可能已在别处删除），修改没有保存。"), MessageBox::OkOnly,
                     MessageBox::Exclamation);
}

} // namespace WebsiteInput
