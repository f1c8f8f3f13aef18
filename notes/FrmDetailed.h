#pragma once

#include "core/db/DataControl.h"

#include <QDate>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QTableView;
class RecordsetModel;

// The notes window: one website's notes table in a grid, newest first, with
// the commands that add, change and delete rows, open a row's memo and manage
// the table's columns. The record editor and the field manager reach back
// into it to refresh the grid and restore the row position p.
class FrmDetailed : public QWidget {
    Q_OBJECT
public:
    explicit FrmDetailed(QWidget *parent = nullptr);
    ~FrmDetailed() override;

    qint32 OriId = 0;
    QString Bijiname;
    // 1-based grid position saved when a dialog or a delete started.
    qint32 p = 0;

    // Header band: the website's name, address and the day the job was taken on.
    void setHeader(const QString &name, const QString &url, const QDate &taken);
    // Shows the rows of Bijiname and brings the window up (also when it is
    // already open for another website).
    void openNotes();

    // Queries Bijiname anew; the first row becomes current.
    void RefreshGrid();
    // Requeries the grid's current record source in place.
    void RefreshNotesGrid();
    // Makes the row at position p current again, or none when fewer rows remain.
    void restorePosition();
    void ChangeBrowseState();

    db::Recordset &recordset() { return Adodc1.recordset(); }
    QTableView *grid() const { return DataGrid1; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool editorMayBeRebuilt();
    void Cmd_Add_Click();
    void Cmd_Modi_Click();
    void Cmd_Del_Click();
    void Cmd_memos_Click();
    void Basecset_Click();
    void navigate(int button);

    void layoutControls();
    void placeHeader();
    void setGridWidths();
    void requery();
    // The grid shows the recordset's current row; a click moves the recordset.
    void syncGridToRecordset();
    void gridRowChanged(int row);

    db::DataControl Adodc1;
    RecordsetModel *m_model = nullptr;
    bool m_syncing = false;

    QFrame *Frame1 = nullptr;
    QLabel *Webname = nullptr;
    QLabel *Weburl = nullptr;
    QLabel *Webtime = nullptr;
    QPushButton *Cmd_Add = nullptr;
    QPushButton *Cmd_Modi = nullptr;
    QPushButton *Cmd_Del = nullptr;
    QPushButton *Cmd_memos = nullptr;
    QPushButton *Basecset = nullptr;
    QTableView *DataGrid1 = nullptr;
    QFrame *Frame2 = nullptr;
    QPushButton *Fii[5] = {};
    QPushButton *Cmd_Back = nullptr;
};
