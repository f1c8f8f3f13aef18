#include "catalogue/RestoreDialog.h"

#include "core/Backups.h"
#include "core/DateText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RestoreDialog::RestoreDialog(const QString &databasePath, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("恢复数据库"));
    setModal(true);

    const QList<Backups::Entry> entries = Backups::list(databasePath);
    hint = new QLabel(entries.isEmpty() ? QStringLiteral("还没有任何备份。")
                                        : QStringLiteral("选择要恢复的备份。恢复前，当前的数据库会先备份。"),
                      this);
    hint->setObjectName(QStringLiteral("hint"));

    backupList = new QTableWidget(int(entries.size()), 3, this);
    backupList->setObjectName(QStringLiteral("backupList"));
    backupList->setAccessibleName(QStringLiteral("备份"));
    backupList->setHorizontalHeaderLabels({QStringLiteral("备份时间"), QStringLiteral("大小"), QStringLiteral("网站数")});
    backupList->verticalHeader()->hide();
    backupList->setSelectionBehavior(QAbstractItemView::SelectRows);
    backupList->setSelectionMode(QAbstractItemView::SingleSelection);
    backupList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < entries.size(); ++row) {
        const Backups::Entry &e = entries[row];
        auto *time = new QTableWidgetItem(DateText::toText(e.time.date()) + e.time.toString(QStringLiteral(" HH:mm:ss")));
        time->setData(Qt::UserRole, e.path);
        time->setToolTip(e.path);
        backupList->setItem(row, 0, time);
        auto *size = new QTableWidgetItem(QStringLiteral("%1 KB").arg((e.size + 1023) / 1024));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        backupList->setItem(row, 1, size);
        const int websites = Backups::websiteCount(e.path);
        auto *count = new QTableWidgetItem(websites < 0 ? QStringLiteral("无法读取") : QString::number(websites));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        backupList->setItem(row, 2, count);
    }
    backupList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    backupList->resizeColumnsToContents();
    if (!entries.isEmpty())
        backupList->selectRow(0);

    Cmd_OK = new QPushButton(QStringLiteral("恢 复"), this);
    Cmd_OK->setObjectName(QStringLiteral("Cmd_OK"));
    Cmd_OK->setAccessibleName(QStringLiteral("恢复"));
    Cmd_OK->setEnabled(!entries.isEmpty());
    Cmd_Cancel = new QPushButton(QStringLiteral("取 消"), this);
    Cmd_Cancel->setObjectName(QStringLiteral("Cmd_Cancel"));
    Cmd_Cancel->setAccessibleName(QStringLiteral("取消"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_OK);
    buttons->addWidget(Cmd_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(backupList);
    layout->addLayout(buttons);
    resize(520, 360);

    connect(Cmd_OK, &QPushButton::clicked, this, &RestoreDialog::choose);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(backupList, &QTableWidget::cellDoubleClicked, this, &RestoreDialog::choose);
}

void RestoreDialog::choose()
{
    const int row = backupList->currentRow();
    if (row < 0 || !backupList->item(row, 0))
        return;
    chosen = backupList->item(row, 0)->data(Qt::UserRole).toString();
    accept();
}
