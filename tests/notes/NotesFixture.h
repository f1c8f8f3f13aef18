#pragma once

// Shared by the notes tests: a new database holding the notes table biji1,
// the notes window over it, and short ways to reach controls and stored values.

#include "core/DateText.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/db/Catalog.h"
#include "core/db/Recordset.h"
#include "notes/FieldManager.h"
#include "notes/RecordEditor.h"
#include "notes/NotesWindow.h"
#include "notes/MemoEditor.h"
#include "notes/NotesTable.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>
#include <memory>

class NotesFixture {
protected:
    std::unique_ptr<TestDb> m_db;

    void start(bool withTable = true)
    {
        m_db = std::make_unique<TestDb>();
        if (QString table = QStringLiteral("biji1"); withTable)
            createNotesTable(table);
        MessageBox::clearShown();
    }

    void stop()
    {
        delete Forms::loaded<MemoEditor>();
        delete Forms::loaded<RecordEditor>();
        delete Forms::loaded<FieldManager>();
        delete Forms::loaded<NotesWindow>();
        flushDeletes();
        m_db.reset();
    }

    static NotesWindow *openNotes()
    {
        NotesWindow *w = Forms::get<NotesWindow>();
        w->notesTable = QStringLiteral("biji1");
        w->websiteId = 1;
        w->openNotes();
        return w;
    }

    void addRows(const QStringList &dates) const
    {
        for (const QString &d : dates)
            m_db->exec(QStringLiteral("INSERT INTO biji1([时间],[备注]) VALUES('%1','memo %1')").arg(d));
    }

    int count(const QString &sql) const { return m_db->scalar(sql).toInt(); }
    QString text(const QString &sql) const { return m_db->scalar(sql).toString(); }

    static QStringList columnNames()
    {
        QStringList names;
        for (const db::ColumnDef &col : db::Catalog(Database::notebook).columns(QStringLiteral("biji1")))
            names << col.name;
        return names;
    }

    static QPushButton *button(QWidget *w, const QString &name) { return w->findChild<QPushButton *>(name); }
    static QLineEdit *edit(QWidget *w, const QString &name) { return w->findChild<QLineEdit *>(name); }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};
