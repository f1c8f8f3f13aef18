#include "catalogue/FrmStyleEdit.h"

#include "catalogue/DatePicker.h"
#include "catalogue/Website.h"
#include "catalogue/WebsiteInput.h"
#include "core/DbFunc.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"
#include "core/Twips.h"

#include <QCalendarWidget>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QLabel *makeLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QLineEdit *makeBox(const QString &name, QLabel *label, int maxLength, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    label->setBuddy(box);
    box->setAccessibleName(label->text().simplified());
    return box;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    return button;
}

} // namespace

FrmStyleEdit::FrmStyleEdit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmStyleEdit"));
    setWindowTitle(QStringLiteral("网站信息编辑"));
    setModal(true);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("网站名称"), this);
    Label5 = makeLabel(QStringLiteral("Label5"), QStringLiteral("网    址"), this);
    Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("接单日期"), this);
    Label7 = makeLabel(QStringLiteral("Label7"), QStringLiteral("备注信息"), this);

    Webname = makeBox(QStringLiteral("Webname"), Label1, 100, this);
    Weburl = makeBox(QStringLiteral("Weburl"), Label5, 200, this);
    Webtime = makeBox(QStringLiteral("Webtime"), Label6, 0, this);
    Webmemos = new QPlainTextEdit(this);
    Webmemos->setObjectName(QStringLiteral("Webmemos"));
    Webmemos->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Webmemos->setTabChangesFocus(true);
    Webmemos->setAccessibleName(Label7->text());
    Label7->setBuddy(Webmemos);

    Cmd_OK = makeButton(QStringLiteral("Cmd_OK"), QStringLiteral("确 定"), this);
    Cmd_Cancel = makeButton(QStringLiteral("Cmd_Cancel"), QStringLiteral("取 消"), this);
    Cmd_OK->setAutoDefault(false);
    Cmd_Cancel->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Webname, 0, 1);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(Weburl, 1, 1);
    grid->addWidget(Label6, 2, 0);
    grid->addWidget(Webtime, 2, 1);
    grid->addWidget(Label7, 3, 0, Qt::AlignTop);
    grid->addWidget(Webmemos, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_OK);
    buttons->addSpacing(Twips::toPixels(600));
    buttons->addWidget(Cmd_Cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setRowStretch(3, 1);

    // Not in the layout: it floats over the memo box while it is shown.
    MonthView1 = new QCalendarWidget(this);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setAccessibleName(QStringLiteral("日历"));
    MonthView1->setSelectedDate(QDate::currentDate());
    m_datePicker = new DatePicker(Webtime, MonthView1, this);

    setTabOrder(Webname, Weburl);
    setTabOrder(Weburl, Webtime);
    setTabOrder(Webtime, Webmemos);
    setTabOrder(Webmemos, Cmd_OK);
    setTabOrder(Cmd_OK, Cmd_Cancel);

    resize(Twips::toPixels(6600), Twips::toPixels(5400));

    connect(Cmd_OK, &QPushButton::clicked, this, &FrmStyleEdit::Cmd_OK_Click);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &FrmStyleEdit::Cmd_Cancel_Click);
}

void FrmStyleEdit::showEvent(QShowEvent *event)
{
    updateCaption();
    QDialog::showEvent(event);
}

void FrmStyleEdit::resizeEvent(QResizeEvent *event)
{
    updateCaption();
    QDialog::resizeEvent(event);
}

void FrmStyleEdit::updateCaption()
{
    setWindowTitle(Modify ? QStringLiteral("修改网站信息") : QStringLiteral("添加网站信息"));
}

void FrmStyleEdit::Cmd_OK_Click()
{
    const WebsiteBoxes boxes{Webname, Weburl, Webtime, Webmemos};
    if (!WebsiteInput::fillCurWebsite(boxes))
        return;
    const QString name = Webname->text().trimmed();
    // The database compares names without regard to letter case, so a
    // website whose name changed only in case finds itself and is refused.
    if ((!Modify || OriName != name) && WebsiteInput::refuseTakenName(boxes, name))
        return;

    try {
        if (Modify)
            CurWebsite().Update(OriId);
        else
            CurWebsite().Insert();
    } catch (const db::DbError &e) {
        // Another worker took the name between the check above and the write.
        if (e.kind() == db::DbError::Kind::UniqueViolation && WebsiteInput::refuseTakenName(boxes, name))
            return;
        throw;
    }
    if (Modify && DbFunc::rowsAffected() == 0) {
        MessageBox::show(QStringLiteral("该网站已被删除，修改未保存"), MessageBox::OkOnly, MessageBox::Exclamation);
        reject();
        return;
    }
    MessageBox::show(Modify ? QStringLiteral("修改成功") : QStringLiteral("添加成功"));
    accept();
}

void FrmStyleEdit::Cmd_Cancel_Click() { reject(); }
