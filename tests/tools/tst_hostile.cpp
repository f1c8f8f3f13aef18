// A hostile corpus (tests/data/hostile-corpus.txt) through every door it can
// come in by, on both engines: nothing runs that the program did not write,
// no password is shown, and a refusal leaves the notebook as it was.
#include "core/DatabaseProblems.h"
#include "core/Schema.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "core/db/Quote.h"
#include "exchange/ExchangeError.h"
#include "exchange/NotesImport.h"
#include "tests/exchange/ExchangeFixture.h"

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <sqlite3.h>

namespace {

QString decode(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i] == '\\' && i + 1 < text.size() ? text[++i] : QChar();
        if (c.isNull())
            out += text[i];
        else if (c == 'u')
            out += QChar(char16_t(text.mid(i + 1, 4).toUShort(nullptr, 16))), i += 4;
        else
            out += c == '0' ? QChar(0) : c == 't' ? QChar('\t') : c;
    }
    return out;
}

// The tool's exit status and everything it printed.
std::pair<int, QString> tool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(TAVORIN_DB_TOOL), args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return {-1, QStringLiteral("did not end")};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

} // namespace

class TestHostile : public QObject, private ExchangeFixture {
    Q_OBJECT
private slots:
    void init() { start(); }
    void cleanup() { stop(); }
    void corpus_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("says"); // words each of the tool's refusals holds, if given
        QFile file(QStringLiteral(TAVORIN_HOSTILE_CORPUS));
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            const QStringList f = line.split('\t');
            if (f.size() >= 3 && !line.startsWith('#'))
                QTest::newRow(qPrintable(f[0] + ": " + f[1])) << f[0] << decode(f[2]) << f.value(3);
        }
    }
    void corpus()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, says);
        m_db->addUser("canary", "canary1");
        m_db->exec("INSERT INTO Website (Webname, Webmemos) VALUES ('canary', 'x')");
        const auto notebook = [&] { return rows("SELECT * FROM Users") + rows("SELECT * FROM Website") + rows("SELECT * FROM biji1")
                                           + db::Catalog(Database::notebook).tables().join('|') + columnNames("biji1").join('|'); };
        const QString before = notebook();
        const QByteArray fileBefore = TestDb::onServer() ? QByteArray() : fileBytes(m_db->dbPath());
        QStringList said; // every message and output
        const auto refused = [&](const QString &message) {
            said << message;
            QVERIFY2(message.contains(QRegularExpression("\\p{Han}")), qPrintable(message)); // the user's words, not the engine's
            QCOMPARE(notebook(), before);
        };
        const QString f = m_db->dir() + "/hostile.mdb";
        if (kind == "name") {
            db::Catalog cat(Database::notebook);
            try { // rename, then add
                cat.renameColumn("biji1", "PR", text);
                QCOMPARE(columnNames("biji1").indexOf(text), 6);
                cat.renameColumn("biji1", text, "PR");
            } catch (const db::DbError &e) { refused(e.message()); }
            try {
                cat.appendColumn("biji1", column(text, db::ColumnType::Text, 50));
                QCOMPARE(columnNames("biji1").last(), text);
                cat.dropColumn("biji1", text);
            } catch (const db::DbError &e) { refused(e.message()); }
            // A CSV with the text as a new column's name and as a value in it.
            const QString quoted = '"' + QString(text).replace("\"", "\"\"") + '"';
            QBuffer csv;
            csv.setData(("时间," + quoted + "\n2011-9-5," + quoted + "\n").toUtf8());
            csv.open(QIODevice::ReadOnly);
            try {
                const QStringList header{"时间", text};
                exchange::importNotes(Database::notebook, "biji1", &csv, exchange::Encoding::Utf8,
                                      exchange::defaultPlan(header, cat.columns("biji1")));
                // A new column has the header's name without its outer blanks, and the value as it was.
                const QStringList now = columnNames("biji1");
                QVERIFY(now.size() == 8 || now.last() == text.trimmed());
                if (now.size() > 8)
                    QCOMPARE(rows("SELECT " + db::quoteIdentifier(now.last()) + " FROM biji1"), text);
            } catch (const Failure &e) { refused(e.message()); }
        } else if (kind == "file") {
            QCOMPARE(tool({"new", f}).first, 0);
            sqlite3 *c = nullptr;
            sqlite3_open(f.toUtf8().constData(), &c);
            QCOMPARE(sqlite3_exec(c, text.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(c);
            const QByteArray hostile = fileBytes(f);
            QString error; // opened for work: the shape, then the layout version
            try {
                db::Connection conn;
                conn.open(db::Location::file(f));
                DatabaseProblems::requireNotebook(conn);
            } catch (const db::DbError &e) { error = e.message(); }
            if (error.isEmpty() && Schema::prepare(f, &error) != Schema::Outcome::Failed)
                QFAIL("opened for work");
            refused(error);
            QStringList doors{"check " + f};
            const db::Location target = TestDb::onServer() ? m_db->extraServerDatabase() : db::Location();
            if (TestDb::onServer())
                doors << "migrate " + f + " " + target.serverString();
            else
                doors << "restore " + f + " " + m_db->dbPath();
            for (const QString &door : doors) {
                const auto [status, output] = tool(door.split(' '));
                QVERIFY2(status == 1 && output.contains(says), qPrintable(door + "\n" + output));
                refused(output);
            }
            QCOMPARE(fileBytes(f), hostile);
            QVERIFY(!TestDb::onServer() || db::Catalog(target).tables().isEmpty());
        } else {
            QCOMPARE(tool({"new", f}).first, 0);
            // A string that is no server's is a file's name to new and check.
            const bool server = db::Location::isServerText(text);
            for (const QStringList &args : {QStringList{"migrate", f, text}, {"new", text}, {"check", text}}) {
                if (!server && args[0] != "migrate")
                    continue;
                const auto [status, output] = tool(args);
                QVERIFY2((status == 1 || status == 2) && output.contains(says), qPrintable(output));
                said << output;
            }
            try {
                db::Connection conn;
                if (server)
                    conn.open(db::Location::server(text));
            } catch (const db::DbError &e) { said << e.message(); }
            QCOMPARE(notebook(), before);
        }
        QVERIFY2(!said.join('\n').contains("Sekr3tPw"), qPrintable(said.join('\n')));
        if (!fileBefore.isEmpty() && kind != "name")
            QCOMPARE(fileBytes(m_db->dbPath()), fileBefore);
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
