#include "notes/ImportDialog.h"

#include "core/ColumnName.h"
#include "core/BackupGuard.h"
#include "core/Database.h"
#include "core/NotesTables.h"
#include "core/FileDialog.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "exchange/ExchangeError.h"
#include "notes/BackgroundTask.h"
#include "notes/NotesTable.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString SkipText = QStringLiteral("（跳过）");

QString createText(const QString &name) { return QStringLiteral("新建字段“%1”").arg(name); }

} // namespace

ImportDialog::ImportDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("导入优化记录"));

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("importSummary"));
    m_summary->setWordWrap(true);

    auto *encodingCaption = new QLabel(QStringLiteral("文件编码："), this);
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("encodingBox"));
    m_encoding->setAccessibleName(QStringLiteral("文件编码"));
    m_encoding->addItem(QStringLiteral("UTF-8"), int(exchange::Encoding::Utf8));
    m_encoding->addItem(QStringLiteral("GB18030（简体中文 Excel）"), int(exchange::Encoding::Gb18030));
    encodingCaption->setBuddy(m_encoding);
    connect(m_encoding, &QComboBox::currentIndexChanged, this,
            [this] { useEncoding(exchange::Encoding(m_encoding->currentData().toInt())); });

    auto *previewCaption = new QLabel(QStringLiteral("文件的前 %1 行：").arg(PreviewRows), this);
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("previewGrid"));
    m_preview->setAccessibleName(QStringLiteral("文件的前几行"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    previewCaption->setBuddy(m_preview);

    auto *mappingCaption = new QLabel(QStringLiteral("文件的列导入到：（按列名对应，不区分大小写）"), this);
    m_mapping = new QTableWidget(this);
    m_mapping->setObjectName(QStringLiteral("mappingGrid"));
    m_mapping->setAccessibleName(QStringLiteral("列的对应"));
    m_mapping->setColumnCount(2);
    m_mapping->setHorizontalHeaderLabels({QStringLiteral("文件中的列"), QStringLiteral("导入到")});
    m_mapping->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_mapping->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_mapping->verticalHeader()->hide();
    m_mapping->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mappingCaption->setBuddy(m_mapping);

    m_import = ui::button(this, QStringLiteral("importRows"), QStringLiteral("导 入"));
    m_cancel = ui::button(this, QStringLiteral("Cmd_Cancel"), QStringLiteral("取 消"));
    m_import->setDefault(true);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::importClicked);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_import);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    auto *encodingRow = new QHBoxLayout;
    encodingRow->addWidget(encodingCaption);
    encodingRow->addWidget(m_encoding);
    encodingRow->addStretch();
    layout->addLayout(encodingRow);
    layout->addWidget(previewCaption);
    layout->addWidget(m_preview, 3);
    layout->addWidget(mappingCaption);
    layout->addWidget(m_mapping, 2);
    layout->addLayout(buttons);
    resize(Twips::toPixels(12000), Twips::toPixels(8400));
}

bool ImportDialog::load(const QString &csvPath, const QString &websiteName)
{
    m_path = csvPath;
    m_websiteName = websiteName;
    if (!read(std::nullopt))
        return false;
    showPreview();
    return true;
}

bool ImportDialog::useEncoding(exchange::Encoding encoding)
{
    if (encoding == m_csv.encoding)
        return true;
    if (!read(encoding)) {
        const QSignalBlocker quiet(m_encoding);
        m_encoding->setCurrentIndex(m_encoding->findData(int(m_csv.encoding)));
        return false;
    }
    showPreview();
    return true;
}

bool ImportDialog::read(std::optional<exchange::Encoding> encoding)
{
    const QString prefix = encoding ? QStringLiteral("无法按 %1 读取：").arg(exchange::encodingName(*encoding))
                                    : QStringLiteral("无法导入：");
    try {
        exchange::Progress progress;
        exchange::CsvPreview csv;
        BackgroundTask::run(this->isVisible() ? this : parentWidget(), QStringLiteral("正在读取文件…"), progress, [&] {
            csv = exchange::Csv::inspect(m_path, PreviewRows, encoding, &progress);
        });
        db::Catalog catalog(Database::notebook);
        const int limit = exchange::columnLimit(catalog.connection());
        if (csv.header.size() > limit)
            throw Failure(QStringLiteral("文件有 %1 列，超过了数据库一个表最多 %2 列的限制。请把文件拆开后再导入。")
                                              .arg(csv.header.size())
                                              .arg(limit));
        m_tableColumns = catalog.columns(notesTable);
        m_csv = std::move(csv);
    } catch (const exchange::Cancelled &) {
        return false;
    } catch (const Failure &e) {
        MessageBox::show(prefix + e.message());
        return false;
    } catch (const db::DbError &e) {
        MessageBox::show(prefix + e.message());
        return false;
    }
    m_columns.clear();
    for (const db::ColumnDef &c : std::as_const(m_tableColumns))
        if (!c.autoIncrement)
            m_columns << c.name;
    return true;
}

void ImportDialog::showPreview()
{
    {
        const QSignalBlocker quiet(m_encoding);
        m_encoding->setCurrentIndex(m_encoding->findData(int(m_csv.encoding)));
    }
    m_summary->setText(QStringLiteral("文件 %1 共有 %2 条记录，导入到“%3”的优化记录（%4）。")
                           .arg(QFileInfo(m_path).fileName())
                           .arg(m_csv.records)
                           .arg(m_websiteName.trimmed(), notesTable));

    const int shown = int(m_csv.first.size());
    m_preview->clear();
    m_preview->setColumnCount(int(m_csv.header.size()));
    m_preview->setRowCount(shown);
    m_preview->setHorizontalHeaderLabels(m_csv.header);
    for (int r = 0; r < shown; ++r)
        for (int c = 0; c < m_csv.header.size(); ++c)
            m_preview->setItem(r, c, new QTableWidgetItem(m_csv.first[r].fields[c]));
    m_preview->resizeColumnsToContents();

    const exchange::ImportPlan start = exchange::defaultPlan(m_csv.header, m_tableColumns);
    m_mapping->setRowCount(0);
    m_mapping->setRowCount(int(m_csv.header.size()));
    for (int c = 0; c < m_csv.header.size(); ++c) {
        const QString header = m_csv.header[c];
        m_mapping->setItem(c, 0, new QTableWidgetItem(header));
        auto *box = new QComboBox(m_mapping);
        box->setObjectName(QStringLiteral("mapping_%1").arg(c));
        box->setAccessibleName(QStringLiteral("“%1”导入到").arg(header));
        for (const QString &name : std::as_const(m_columns))
            box->addItem(name, int(exchange::ImportTarget::Existing));
        const QString newName = header.trimmed();
        if (ColumnName::acceptable(newName, m_columns))
            box->addItem(createText(newName), int(exchange::ImportTarget::Create));
        box->addItem(SkipText, int(exchange::ImportTarget::Skip));
        const exchange::ImportTarget &t = start.targets[c];
        const int index = t.action == exchange::ImportTarget::Existing ? box->findText(t.column)
                          : t.action == exchange::ImportTarget::Create ? box->findText(createText(t.column))
                                                                       : box->findText(SkipText);
        box->setCurrentIndex(qMax(0, index));
        m_mapping->setCellWidget(c, 1, box);
    }
    m_imported = 0;
}

QComboBox *ImportDialog::mappingBox(int csvColumn) const
{
    return qobject_cast<QComboBox *>(m_mapping->cellWidget(csvColumn, 1));
}

exchange::ImportPlan ImportDialog::plan() const
{
    exchange::ImportPlan p;
    for (int c = 0; c < m_csv.header.size(); ++c) {
        const QComboBox *box = mappingBox(c);
        exchange::ImportTarget t;
        t.action = exchange::ImportTarget::Action(box->currentData().toInt());
        t.column = t.action == exchange::ImportTarget::Create ? m_csv.header[c].trimmed()
                   : t.action == exchange::ImportTarget::Existing ? box->currentText()
                                                                  : QString();
        p.targets << t;
    }
    return p;
}

void ImportDialog::importClicked()
{
    QString backupError;
    try {
        exchange::Progress progress;
        const db::Location connection = Database::notebook;
        const exchange::ImportPlan chosen = plan();
        BackgroundTask::run(this, QStringLiteral("正在导入 %1 条记录…").arg(m_csv.records), progress, [&] {
            // Many rows arrive at once: there is a copy to go back to first
            // (made here too, so that a large notebook's copy does not stop the window).
            backupError = BackupGuard::backupBeforeStep(QStringLiteral("导入"));
            if (backupError.isEmpty())
                m_imported = exchange::importFile(connection, notesTable, m_path, m_csv.encoding, chosen, &progress);
        });
        if (!backupError.isEmpty()) {
            BackupGuard::reportFailedBackup(QStringLiteral("导入"), backupError);
            return;
        }
    } catch (const exchange::Cancelled &e) {
        MessageBox::show(e.message());
        return;
    } catch (const Failure &e) {
        // The dialog stays, so that the mapping can be changed and tried again.
        MessageBox::show(QStringLiteral("导入失败：") + e.message());
        return;
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("导入失败：") + e.message());
        return;
    }
    MessageBox::show(QStringLiteral("导入成功：%1 条记录").arg(m_imported));
    emit imported(notesTable);
    accept();
}

ImportDialog *importNotesFromCsv(QWidget *parent, qint32 websiteId, const QString &websiteName)
{
    const QString table = NotesTables::name(websiteId);
    if (!ensureNotesTable(table))
        return nullptr;
    const QString path = FileDialog::openFile(parent, QStringLiteral("导入优化记录"), QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"));
    if (path.isEmpty())
        return nullptr;
    auto *dialog = new ImportDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->notesTable = table;
    if (!dialog->load(path, websiteName)) {
        delete dialog;
        return nullptr;
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}
