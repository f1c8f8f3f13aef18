#include "catalogue/WebsiteDialog.h"

#include "catalogue/DatePicker.h"
#include "catalogue/Website.h"
#include "catalogue/WebsiteInput.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/db/DbError.h"
#include "core/ui/Widgets.h"

#include <QCalendarWidget>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

WebsiteDialog::WebsiteDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmStyleEdit"));
    setWindowTitle(QStringLiteral("网站信息编辑"));
    setModal(true);

    nameLabel = ui::label(this, QStringLiteral("Label1"), QStringLiteral("网站名称"));
    addressLabel = ui::label(this, QStringLiteral("Label5"), QStringLiteral("网    址"));
    dateLabel = ui::label(this, QStringLiteral("Label6"), QStringLiteral("接单日期"));
    memoLabel = ui::label(this, QStringLiteral("Label7"), QStringLiteral("备注信息"));

    nameBox = ui::boxFor(this, QStringLiteral("Webname"), nameLabel);
    nameBox->setMaxLength(100);
    addressBox = ui::boxFor(this, QStringLiteral("Weburl"), addressLabel);
    addressBox->setMaxLength(200);
    dateBox = ui::boxFor(this, QStringLiteral("Webtime"), dateLabel);
    memoBox = new QPlainTextEdit(this);
    memoBox->setObjectName(QStringLiteral("Webmemos"));
    memoBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoBox->setTabChangesFocus(true);
    memoBox->setAccessibleName(memoLabel->text());
    memoLabel->setBuddy(memoBox);

    okButton = ui::button(this, QStringLiteral("Cmd_OK"), QStringLiteral("确 定"));
    cancelButton = ui::button(this, QStringLiteral("Cmd_Cancel"), QStringLiteral("取 消"));
    okButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(nameBox, 0, 1);
    grid->addWidget(addressLabel, 1, 0);
    grid->addWidget(addressBox, 1, 1);
    grid->addWidget(dateLabel, 2, 0);
    grid->addWidget(dateBox, 2, 1);
    grid->addWidget(memoLabel, 3, 0, Qt::AlignTop);
    grid->addWidget(memoBox, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addSpacing(Twips::toPixels(600));
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setRowStretch(3, 1);

    // Not in the layout: it floats over the memo box while it is shown.
    calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("MonthView1"));
    calendar->setAccessibleName(QStringLiteral("日历"));
    calendar->setSelectedDate(QDate::currentDate());
    m_datePicker = new DatePicker(dateBox, calendar, this);

    setTabOrder(nameBox, addressBox);
    setTabOrder(addressBox, dateBox);
    setTabOrder(dateBox, memoBox);
    setTabOrder(memoBox, okButton);
    setTabOrder(okButton, cancelButton);

    resize(Twips::toPixels(6600), Twips::toPixels(5400));

    connect(okButton, &QPushButton::clicked, this, &WebsiteDialog::onOk);
    connect(cancelButton, &QPushButton::clicked, this, &WebsiteDialog::onCancel);
}

void WebsiteDialog::showEvent(QShowEvent *event)
{
    updateCaption();
    QDialog::showEvent(event);
}

void WebsiteDialog::resizeEvent(QResizeEvent *event)
{
    updateCaption();
    QDialog::resizeEvent(event);
}

void WebsiteDialog::updateCaption()
{
    setWindowTitle(modifying ? QStringLiteral("修改网站信息") : QStringLiteral("添加网站信息"));
}

void WebsiteDialog::onOk()
{
    const WebsiteBoxes boxes{nameBox, addressBox, dateBox, memoBox};
    if (!WebsiteInput::fillCurWebsite(boxes))
        return;
    const QString name = nameBox->text().trimmed();
    // The database compares names without regard to letter case, so a
    // website whose name changed only in case finds itself and is refused.
    if ((!modifying || originalName != name) && WebsiteInput::refuseTakenName(boxes, name))
        return;

    if (modifying && WebsiteInput::refuseVanished(editedId))
        return;
    try {
        if (modifying)
            currentWebsite().update(editedId);
        else
            currentWebsite().insert();
    } catch (const db::DbError &e) {
        // Another worker took the name between the check above and the write.
        if (e.kind() == db::DbError::UniqueViolation && WebsiteInput::refuseTakenName(boxes, name))
            return;
        throw;
    }
    // Deleted by another worker between the check and the write: nothing was written.
    if (modifying && Database::rowsAffected() == 0) {
        WebsiteInput::tellVanished();
        return;
    }
    MessageBox::show(modifying ? QStringLiteral("修改成功") : QStringLiteral("添加成功"));
    accept();
}

void WebsiteDialog::onCancel() { reject(); }
