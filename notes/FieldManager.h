#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Manages the observed items of one notes table: renames and deletes the
// columns after the first three and adds text columns with a size and a
// default. After each change the list is rebuilt and the window turns modal.
class FieldManager : public QDialog {
    Q_OBJECT
public:
    explicit FieldManager(QWidget *parent = nullptr);

    bool modifying = false;
    qint32 editedId = 0;
    QString notesTable;
    // The observed items' names joined by commas, for display; positions are
    // mapped to names through columnNames(), never by splitting this text.
    QString columnList;
    int columnCount = 0;

    // Rebuilds the list from the table's current columns.
    void load();
    const QStringList &columnNames() const { return m_names; }

    // Whether a column may carry this name: not empty, no blanks at either
    // end, none of the characters the engine or a name list cannot carry,
    // and not another column's name in any letter case.
    static bool acceptableName(const QString &name, const QStringList &others);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void onOk();
    void rename(int i);
    void remove(int i);
    // Rebuilds the item list after a change; the notes grid and an open record
    // editor of the same table follow the new columns.
    void reopen(const QString &renamedFrom = QString(), const QString &renamedTo = QString());
    void refreshNotesGrid() const;
    void clearItems();
    QStringList namesExcept(int position) const;

    QStringList m_names; // every column, by position
    QList<QWidget *> m_itemWidgets;
    int m_grown = 0;

    QGroupBox *existingFrame = nullptr;
    QGroupBox *addFrame = nullptr;
    QLabel *nameLabel = nullptr;
    QLabel *defaultLabel = nullptr;
    QLabel *sizeLabel = nullptr;
    QLabel *nameHint = nullptr;
    QLabel *defaultHint = nullptr;
    QLabel *sizeHint = nullptr;
    QLineEdit *nameBox = nullptr;
    QLineEdit *defaultBox = nullptr;
    QLineEdit *sizeBox = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};
