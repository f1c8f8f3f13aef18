#pragma once

#include "exchange/Csv.h"
#include "exchange/NotesImport.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// 导入优化记录: a CSV file's first rows, its encoding (UTF-8, or GB18030 as
// Chinese Excel writes it; the user may switch) and, per CSV column, the
// notes table column it goes into (matched by name, letter case aside), a new
// column of its name, or nothing. 导 入 adds every row in one transaction,
// in the background with a progress dialog whose 取消 undoes it all, or, with
// the line and column of the first problem named, nothing at all.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImportDialog(QWidget *parent = nullptr);

    QString notesTable;

    // Reads the file and the table's columns; false (with a message shown)
    // when the file cannot be read.
    bool load(const QString &csvPath, const QString &websiteName);
    // Reads the file again in another encoding; false (with a message shown,
    // the preview unchanged) when its bytes are not text in that encoding.
    bool useEncoding(exchange::Encoding encoding);
    exchange::Encoding encoding() const { return m_csv.encoding; }

    // What each CSV column is set to go into, as the combo boxes say.
    exchange::ImportPlan plan() const;
    QComboBox *mappingBox(int csvColumn) const;

    static constexpr int PreviewRows = 10;

signals:
    // The rows are in the table: windows showing it should read it again.
    void imported(const QString &table);

private:
    void importClicked();
    bool read(std::optional<exchange::Encoding> encoding);
    void showPreview();

    QString m_path;
    QString m_websiteName;
    exchange::CsvPreview m_csv;
    QVector<db::ColumnDef> m_tableColumns;
    QStringList m_columns;
    int m_imported = 0;
    QLabel *m_summary;
    QComboBox *m_encoding;
    QTableWidget *m_preview;
    QTableWidget *m_mapping;
    QPushButton *m_import;
    QPushButton *m_cancel;
};

// The menu command: asks for a CSV file and shows the dialog for the notes
// table of a website, offering to create the table when it does not exist.
// The dialog deletes itself when closed.
ImportDialog *importNotesFromCsv(QWidget *parent, qint32 websiteId, const QString &websiteName);
