#include "notes/ReportDialog.h"

#include "charts/TrendData.h"
#include "core/Database.h"
#include "core/FileDialog.h"
#include "core/db/Catalog.h"
#include "core/MessageBox.h"
#include "core/ui/Widgets.h"
#include "report/ClientReport.h"
#include "report/ReportSettings.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// A logo is kept in the settings file: a few hundred kilobytes at most.
constexpr qint64 MaxLogoBytes = 1 << 20;

QDateEdit *dateEdit(QWidget *parent, const QString &name, const QString &label, const QDate &day)
{
    auto *edit = new QDateEdit(day, parent);
    edit->setObjectName(name);
    edit->setAccessibleName(label);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    return edit;
}

} // namespace

ReportDialog::ReportDialog(QWidget *parent, const QString &table, int listed, bool searchResult)
    : QDialog(parent), m_table(table)
{
    setObjectName(QStringLiteral("ReportDialog"));
    setWindowTitle(QStringLiteral("生成客户报告"));
    const report::Period month = report::lastFullMonth(QDate::currentDate());
    fromEdit = dateEdit(this, QStringLiteral("reportFrom"), QStringLiteral("开始日期："), month.from);
    toEdit = dateEdit(this, QStringLiteral("reportTo"), QStringLiteral("结束日期："), month.to);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("开始日期："), fromEdit);
    form->addRow(QStringLiteral("结束日期："), toEdit);

    if (listed > 0) {
        currentOnly = new QRadioButton(QStringLiteral("当前网站"), this);
        currentOnly->setObjectName(QStringLiteral("reportCurrent"));
        everyListed = new QRadioButton(searchResult ? QStringLiteral("搜索结果中的 %1 个网站（每个网站一个文件）").arg(listed)
                                                    : QStringLiteral("全部 %1 个网站（每个网站一个文件）").arg(listed),
                                       this);
        everyListed->setObjectName(QStringLiteral("reportListed"));
        (table.isEmpty() ? everyListed : currentOnly)->setChecked(true);
        currentOnly->setEnabled(!table.isEmpty());
        form->addRow(QStringLiteral("报告对象："), currentOnly);
        form->addRow(QString(), everyListed);
    }

    // The items that give numbers, ticked as last chosen (all at first).
    itemList = new QListWidget(this);
    itemList->setObjectName(QStringLiteral("reportItems"));
    itemList->setAccessibleName(QStringLiteral("汇总的观察项目"));
    itemList->setToolTip(QStringLiteral("勾选要在摘要和走势图里出现的项目；每个网站记住自己的选择"));
    // A website whose notes were never opened has no table yet, and no items.
    if (!table.isEmpty() && !db::Catalog(Database::connectionString).hasTable(table))
        m_table.clear(); // nothing to remember for it either
    if (!m_table.isEmpty()) {
        TrendData data;
        data.load(table);
        bool remembered = false;
        const QStringList chosen = report::chosenItems(table, &remembered);
        for (const QString &column : data.columns()) {
            if (data.series(column).isEmpty())
                continue;
            auto *item = new QListWidgetItem(column, itemList);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(!remembered || chosen.contains(column) ? Qt::Checked : Qt::Unchecked);
        }
    }
    form->addRow(QStringLiteral("汇总的项目："), itemList);
    if (everyListed)
        connect(everyListed, &QRadioButton::toggled, itemList, [this](bool on) { itemList->setEnabled(!on); });
    itemList->setEnabled(!wholeList());

    settingsButton = ui::button(this, QStringLiteral("reportSettings"), QStringLiteral("报告设置…"));
    connect(settingsButton, &QPushButton::clicked, this, [this] { ReportSettingsDialog(this).exec(); });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("生成报告"));
    buttons->addButton(settingsButton, QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QDate ReportDialog::from() const { return fromEdit->date(); }
QDate ReportDialog::to() const { return toEdit->date(); }
bool ReportDialog::wholeList() const { return everyListed && everyListed->isChecked(); }

QStringList ReportDialog::items() const
{
    QStringList out;
    for (int i = 0; i < itemList->count(); ++i)
        if (itemList->item(i)->checkState() == Qt::Checked)
            out << itemList->item(i)->text();
    return out;
}

void ReportDialog::accept()
{
    if (from() > to()) {
        MessageBox::show(QStringLiteral("结束日期不能早于开始日期。"));
        return;
    }
    if (!m_table.isEmpty() && !wholeList())
        report::setChosenItems(m_table, items());
    QDialog::accept();
}

ReportSettingsDialog::ReportSettingsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReportSettingsDialog"));
    setWindowTitle(QStringLiteral("报告设置"));
    const report::Studio studio = report::studio();
    m_name = ui::lineBox(this, QStringLiteral("studioName"), QStringLiteral("工作室名称："));
    m_name->setText(studio.name);
    m_contact = ui::lineBox(this, QStringLiteral("studioContact"), QStringLiteral("联系方式："));
    m_contact->setText(studio.contact);
    m_contact->setPlaceholderText(QStringLiteral("电话、邮箱、网址"));
    m_logo = ui::label(this, QStringLiteral("studioLogo"), QString());
    m_logo->setFixedSize(180, 72);
    m_logo->setFrameShape(QFrame::StyledPanel);
    m_logo->setAlignment(Qt::AlignCenter);
    m_logoBytes = studio.logo;
    showLogo();
    auto *choose = ui::button(this, QStringLiteral("chooseLogo"), QStringLiteral("选择标志…"));
    auto *clear = ui::button(this, QStringLiteral("clearLogo"), QStringLiteral("清除标志"));
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString path = FileDialog::openFile(this, QStringLiteral("选择标志"), QStringLiteral("PNG 图片 (*.png)"));
        if (!path.isEmpty())
            chooseLogo(path);
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        m_logoBytes.clear();
        showLogo();
    });
    auto *logoButtons = new QVBoxLayout;
    logoButtons->addWidget(choose);
    logoButtons->addWidget(clear);
    auto *logoRow = new QHBoxLayout;
    logoRow->addWidget(m_logo);
    logoRow->addLayout(logoButtons);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("工作室名称："), m_name);
    form->addRow(QStringLiteral("联系方式："), m_contact);
    form->addRow(QStringLiteral("标志（PNG）："), logoRow);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    m_name->setMinimumWidth(320);
}

bool ReportSettingsDialog::chooseLogo(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        MessageBox::show(QStringLiteral("无法读取 %1：%2").arg(path, file.errorString()));
        return false;
    }
    if (file.size() > MaxLogoBytes) {
        MessageBox::show(QStringLiteral("标志图片太大（最多 1 MB）：%1").arg(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (report::logoImage(bytes).isNull()) {
        MessageBox::show(QStringLiteral("不是可用的 PNG 图片：%1").arg(path));
        return false;
    }
    m_logoBytes = bytes;
    showLogo();
    return true;
}

void ReportSettingsDialog::showLogo()
{
    const QImage logo = report::logoImage(m_logoBytes);
    if (logo.isNull()) {
        m_logo->setPixmap({});
        m_logo->setText(QStringLiteral("（无标志）"));
    } else {
        m_logo->setPixmap(QPixmap::fromImage(logo.scaled(m_logo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
}

void ReportSettingsDialog::accept()
{
    report::setStudio({m_name->text().trimmed(), m_contact->text().trimmed(), m_logoBytes});
    QDialog::accept();
}
