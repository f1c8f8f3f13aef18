#pragma once

#include <QDialog>
#include <QMap>
#include <QStringList>
#include <QVector>

#include "core/db/Catalog.h"

class QCalendarWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Adds a row to a notes table or changes one. The inputs are built each time
// the dialog loads from the table's current columns: a date box, a memo box
// and one box per observed item, pre-filled with the column's default.
class RecordEditor : public QDialog {
    Q_OBJECT
public:
    explicit RecordEditor(QWidget *parent = nullptr);

    bool modifying = false;
    qint32 editedId = 0;
    QString notesTable;
    // Number of columns of the table, read at load.
    int columnCount = 0;

    // Rebuilds the inputs from the columns of notesTable.
    void load();
    // Rebuilds the inputs after the table's columns changed, keeping what was
    // typed: the date, the memo, and each item still there (under its new
    // name when it was renamed).
    void followColumns(const QString &renamedFrom = QString(), const QString &renamedTo = QString());

    // Name of column i (0 to columnCount-1) as read at load.
    QString columnName(int i) const { return m_names.value(i); }
    QString inputText(int i) const;
    void setInputText(int i, const QString &text);
    // "添加优化记录" or "修改优化记录", after modifying.
    void updateCaption();

signals:
    // A row was added to (modified false) or changed in notesTable; the
    // editor is closed by then. Whoever shows the table requeries it.
    void saved(const QString &notesTable, bool modified);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onOk();
    void clearItems();
    bool validate();
    void datePicked(const QDate &date);

    QStringList m_names;          // every column, by position
    QVector<db::ColumnDef> m_columns; // the same, as read at load
    QMap<int, int> m_sizes;       // text columns: position -> most characters
    QMap<int, QLineEdit *> m_items;
    QList<QLabel *> m_itemLabels;
    int m_grown = 0;

    QLabel *dateLabel = nullptr;
    QLineEdit *m_date = nullptr;        // Webworld(1)
    QCalendarWidget *calendar = nullptr;
    QGroupBox *itemsFrame = nullptr;
    QLabel *itemsHint = nullptr;
    QGroupBox *memoFrame = nullptr;
    QLabel *memoHint = nullptr;
    QPlainTextEdit *m_memo = nullptr;   // Webworld(2)
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};
