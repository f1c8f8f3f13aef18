// tavorin-db import-access on Jet files written by the test's own writer,
// each first read back by mdbtools' command-line tools: the sample notebook
// carried over cell by cell (into a file, or onto the server in the
// postgresql run), and damaged or hostile files refused with nothing written.
#include "SampleNotebook.h"
#include "core/Password.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/Recordset.h"
#include "core/db/ServerEngine.h"
#include "core/db/Quote.h"
#include "core/db/SqlTranslate.h"
#include "tests/support/TestDb.h"

#include <QDateTime>
#include <QProcess>
#include <QTest>
#include <QtEndian>

using namespace jetfile;

namespace {

QString run(const QString &program, const QStringList &args, int *status = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(600000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}


// What the new notebook must hold for a value of the Jet file.
QString expected(const Column &c, const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("<NULL>");
    if (c.type == DateTime) {
        const QDateTime t = v.toDateTime();
        if (TestDb::onServer()) // the server keeps the day
            return t.toString(QStringLiteral("yyyy-MM-dd"));
        return t.toString(t.time().msecsSinceStartOfDay() ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd"));
    }
    if (c.type == Double)
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return v.toString();
}

// A small notebook whose one notes row has a memo on two LVAL pages.
QVector<Table> small(const QVector<Column> &extra = {}, const QStringList &users = {QStringLiteral("admin")})
{
    QVector<Table> tables = sampleNotebook({2, 1, 1});
    tables[0].rows.clear();
    for (const QString &u : users)
        tables[0].rows << QVariantList{u, QStringLiteral("pw")};
    Table &notes = tables[2];
    notes.rows.first()[2] = QString(3000, QLatin1Char('m'));
    for (const Column &c : extra) {
        notes.columns << c;
        notes.rows.first() << (c.type == Ole ? QVariant(QByteArray("\1\2")) : QVariant(QStringLiteral("x")));
    }
    return tables;
}

} // namespace

class TestAccessImport : public QObject {
    Q_OBJECT
    const QString tool = QStringLiteral(TAVORIN_DB_TOOL);

private slots:
    void sampleNotebookCarriedOverCellByCell()
    {
        TestDb t(false);
        const QVector<Table> tables = sampleNotebook();
        const QString jet = writeFile(t.dir() + "/mybook.mdb", write(tables));
        // mdbtools, an independent reader, sees what was written.
        QStringList names;
        for (const Table &table : tables)
            if (!table.system)
                names << table.name;
        QCOMPARE(run("mdb-tables", {"-1", jet}).split('\n', Qt::SkipEmptyParts), names);
        QVERIFY(run("mdb-schema", {"-T", "biji1", jet}).contains("[◆关键词1]\t\t\tText (50)"));
        QVERIFY(run("mdb-prop", {jet, "biji1"}).contains("DefaultValue: \"收入*/反向*\""));
        QVERIFY(run("mdb-export", {jet, "Users"}).contains("\"张三\",\"秘密mima\""));
        QVERIFY(run("mdb-export", {"-D", "%Y", jet, "Website"}).contains(tables[1].rows[0][1].toString()));

        const QString target = TestDb::onServer() ? t.extraServerDatabase().serverString() : t.dir() + "/new.mdb";
        int status = 0;
        const QString said = run(tool, {"import-access", jet, target}, &status);
        QVERIFY2(status == 0, qPrintable(said));
        QVERIFY2(said.contains("150 with 20000 rows") && said.contains("我的备份") && said.contains("biji99999"), qPrintable(said));

        db::Connection conn;
        conn.open(db::Location::fromText(target));
        const auto name = [](const QString &n) { return db::quoteIdentifier(TestDb::onServer() ? db::serverTableName(n) : n); };
        for (const Table &table : tables) {
            if (table.system || table.name == "我的备份" || table.name == "Users")
                continue;
            QStringList cells;
            for (const Column &c : table.columns)
                cells << QStringLiteral("CAST(%1 AS TEXT)").arg(name(c.name));
            db::Recordset rs;
            rs.open(QStringLiteral("SELECT %1 FROM %2 ORDER BY %2.%3").arg(cells.join(','), name(table.name), name(table.columns[0].name)),
                    conn, db::Connection::Dialect::Native);
            int r = 0;
            for (int i = 0; i < table.rows.size(); ++i) {
                if (table.deleted.contains(i))
                    continue;
                QVERIFY2(r < rs.recordCount(), qPrintable(table.name));
                for (int c = 0; c < table.columns.size(); ++c) {
                    const QVariant got = rs.valueAt(r, c);
                    const QString want = expected(table.columns[c], table.rows[i].value(c));
                    if ((got.isNull() ? QStringLiteral("<NULL>") : got.toString()) != want)
                        QFAIL(qPrintable(QStringLiteral("%1 row %2 %3: %4 != %5").arg(table.name).arg(r).arg(table.columns[c].name, got.toString().left(80), want.left(80))));
                }
                ++r;
            }
            QCOMPARE(rs.recordCount(), r);
        }
        // The old accounts log in with their old passwords; none is kept in clear.
        db::Recordset users;
        users.open(QStringLiteral("SELECT %1, %2 FROM %3").arg(name("UserName"), name("UserPwd"), name("Users")), conn, db::Connection::Dialect::Native);
        QCOMPARE(users.recordCount(), tables[0].rows.size());
        for (int r = 0; r < users.recordCount(); ++r)
            QVERIFY(Password::verify(users.valueAt(r, 1).toString(), tables[0].rows[r][1].toString()));
        if (!TestDb::onServer()) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            for (const QVariantList &u : tables[0].rows)
                QVERIFY2(!bytes.contains(u[1].toString().toUtf8()), qPrintable(u[1].toString()));
            // The notes keep their defaults, quotes taken off.
            db::Recordset schema;
            schema.open("SELECT sql FROM sqlite_master WHERE name = 'biji1'", conn, db::Connection::Dialect::Native);
            QVERIFY(schema.value(0).toString().contains("DEFAULT '收入*/反向*'"));
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QByteArray good = write(small());
        const int memo = good.indexOf(QByteArray::fromHex("70170000")); // the memo's length, 6000
        const auto patched = [&](int at, quint32 value) {
            QByteArray b = good;
            qToLittleEndian(value, b.data() + at);
            return b;
        };
        const quint32 lval = qFromLittleEndian<quint32>(good.constData() + memo + 4);
        const int chain = int(lval >> 8) * 4096 + qFromLittleEndian<quint16>(good.constData() + (lval >> 8) * 4096 + 14 + 2 * (lval & 0xff));
        QTest::newRow("sound") << good << 0 << "1 with 1 rows";
        QVector<Column> many;
        for (int i = 0; i < 292; ++i)
            many << Column{QStringLiteral("列%1").arg(i), Text, 5};
        QTest::newRow("300 columns") << write(small(many)) << 0 << "1 with 1 rows";
        QTest::newRow("cut short") << good.left(good.size() - 1000) << 1 << "被截断";
        QTest::newRow("cut at a page") << good.left(good.size() - 4096) << 1 << "文件已损坏";
        QTest::newRow("LVAL page past the end") << patched(memo + 4, 0x7fff0000) << 1 << "文件已损坏";
        QTest::newRow("memo of 2 GB") << patched(memo, 0x7fffffff) << 1 << "长度不可能的备注";
        QTest::newRow("loop in the LVAL chain") << patched(chain, lval) << 1 << "文件已损坏";
        QTest::newRow("encrypted") << patched(0x3e, 0x12345678) << 1 << "目录表无法读取";
        QTest::newRow("not Jet") << QByteArray("UserName,UserPwd\nadmin,123456\n") << 1 << "不是 Access";
        QTest::newRow("names differing in case") << write(small({}, {"Admin", "ADMIN"})) << 1 << "Admin / ADMIN";
        QTest::newRow("binary column") << write(small({Column{"图片", Ole}})) << 1 << "二进制数据";
        QTest::newRow("no Website") << write({small()[0]}) << 1 << "没有 Users 和 Website";
        QFile crash(QStringLiteral(JET_FIXTURES "/libmdb-crash.mdb")); // found by the fuzzer: libmdb dies reading it
        QTest::newRow("libmdb crashes") << fileBytes(crash.fileName()) << 1 << "异常终止";
    }
    void refusals()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(QString, says);
        TestDb t(false);
        const QString jet = writeFile(t.dir() + "/old.mdb", file);
        if (const QString keep = qEnvironmentVariable("TAVORIN_JET_FIXTURES"); !keep.isEmpty()) // for the sanitizer build's reader
            writeFile(keep + "/" + QTest::currentDataTag() + ".mdb", file);
        if (status == 0)
            QVERIFY(run("mdb-export", {jet, "biji99999"}).contains(QString(3000, 'm')));
        int got = 0;
        const QString said = run(tool, {"import-access", jet, t.dir() + "/new.mdb"}, &got);
        QVERIFY2(got == status && said.contains(says), qPrintable(QString::number(got) + said.right(400)));
        QCOMPARE(QDir(t.dir()).entryList(QDir::Files), (status ? QStringList() : QStringList{"new.mdb"}) + QStringList{"old.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestAccessImport)
#include "tst_accessimport.moc"
