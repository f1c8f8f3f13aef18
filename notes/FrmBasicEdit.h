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
class FrmBasicEdit : public QDialog {
    Q_OBJECT
public:
    explicit FrmBasicEdit(QWidget *parent = nullptr);

    bool Modify = false;
    qint32 OriId = 0;
    QString Bijiname;
    // The observed items' names joined by commas, for display; positions are
    // mapped to names through columnNames(), never by splitting this text.
    QString Webziduanm;
    int n = 0;

    // Rebuilds the list from the table's current columns.
    void Load();
    const QStringList &columnNames() const { return m_names; }

    // Whether a column may carry this name: not empty, no blanks at either
    // end, none of the characters the engine or a name list cannot carry,
    // and not another column's name in any letter case.
    static bool acceptableName(const QString &name, const QStringList &others);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Cmd_OK_Click();
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

    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Ziduanz1 = nullptr;
    QLineEdit *Ziduanz2 = nullptr;
    QLineEdit *Ziduanz3 = nullptr;
    QPushButton *Cmd_OK = nullptr;
    QPushButton *Cmd_Cancel = nullptr;
};
