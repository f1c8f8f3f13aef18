#pragma once

#include "core/db/DataControl.h"

#include <QDate>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QTableView;
class RecordEditor;
class RecordsetModel;

// The notes window: one website's notes table in a grid, newest first, with
// the commands that add, change and delete rows, open a row's memo and manage
// the table's columns. The record editor reports a saved row and the window
// requeries; the field manager reaches back into it to refresh the grid and
// restore the row position savedPosition.
class NotesWindow : public QWidget {
    Q_OBJECT
public:
    explicit NotesWindow(QWidget *parent = nullptr);
    ~NotesWindow() override;

    qint32 websiteId = 0;
    QString notesTable;
    // 1-based grid position saved when a dialog or a delete started.
    qint32 savedPosition = 0;

    // Header band: the website's name, address and the day the job was taken on.
    void setHeader(const QString &name, const QString &url, const QDate &taken);
    // Shows the rows of notesTable and brings the window up (also when it is
    // already open for another website).
    void openNotes();

    // Queries notesTable anew; the first row becomes current.
    void refreshGrid();
    // Requeries the grid's current record source in place.
    void requeryGrid();
    // Makes the row at position savedPosition current again, or none when fewer rows remain.
    void restorePosition();
    void changeBrowseState();

    // The website's name as the header shows it.
    QString websiteName() const;

    db::Recordset &recordset() { return notesList.recordset(); }
    QTableView *grid() const { return notesGrid; }

signals:
    // The grid has read the table again: rows or columns may have changed.
    void gridRefreshed(const QString &notesTable, const QString &websiteName);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool editorMayBeRebuilt();
    // The record editor, told to report its saved rows here.
    RecordEditor *recordEditor();
    void rowSaved(const QString &table, bool modified);
    void onAdd();
    void onModify();
    void onDelete();
    void onMemo();
    void onManageFields();
    void onChart();
    void onExport();
    void onReport();
    void navigate(int button);

    void layoutControls();
    void placeHeader();
    void setGridWidths();
    void requery();
    // The grid shows the recordset's current row; a click moves the recordset.
    void syncGridToRecordset();
    void gridRowChanged(int row);

    db::DataControl notesList;
    RecordsetModel *m_model = nullptr;
    bool m_syncing = false;

    QFrame *headerFrame = nullptr;
    QLabel *nameLabel = nullptr;
    QLabel *addressLabel = nullptr;
    QLabel *dateLabel = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *modifyButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *memoButton = nullptr;
    QPushButton *fieldsButton = nullptr;
    QPushButton *chartButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *reportButton = nullptr;
    QTableView *notesGrid = nullptr;
    QFrame *navigationFrame = nullptr;
    QPushButton *navigationButtons[5] = {};
    QPushButton *backButton = nullptr;
};
