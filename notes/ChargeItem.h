#pragma once

#include <QString>

// Rows of a notes table. The class knows no columns: callers hand it the
// table name and ready-made column, value and SET lists (text values already
// quoted with sqlText), and it frames them into one statement in SqlStr.
class ChargeItem {
public:
    void Init();
    void Delete(qint32 TmpId, const QString &Bijiname);
    void gaojiInsert(const QString &Bijiname, const QString &Webziduanm, const QString &Webziduanz);
    void gaojiUpdate(qint32 TmpId, const QString &Bijiname, const QString &ziduangx);

    // Whether the row still exists; the editors are not modal, so a row can
    // be deleted while a change to it is being typed.
    bool In_DB(qint32 TmpId, const QString &Bijiname);
};

// The shared instance used by the notes window and its editors.
ChargeItem &CurItem();
