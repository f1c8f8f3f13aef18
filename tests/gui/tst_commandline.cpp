// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line and its --check report, run as a user would run
// it: the options, a missing or read-only notebook, an unmakeable data folder.
#include "core/NewDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

QString program() { return QDir(QCoreApplication::applicationDirPath()).filePath("../../tavorin"); }

// Runs the program with HOME and the XDG folders inside `home`, in `work`.
// asOther: as an unprivileged user when the test runs as root, so that file
// permissions apply as they do to any user. Without a window system: no
// display and no platform named, as over SSH or in a package check.
Run runProgram(const QString &exe, const QStringList &args, const QString &home, const QString &work,
               bool asOther = false, bool windowSystem = true)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/.local/share");
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("QT_QPA_PLATFORM", windowSystem ? "offscreen" : "");
    if (!windowSystem) {
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
    }
    env.remove("TAVORIN_DATABASE");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work);
    if (asOther && geteuid() == 0)
        p.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", exe} + args);
    else
        p.start(exe, args);
    Run r;
    if (!p.waitForStarted() || !p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        r.err = "did not finish: " + p.errorString();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString reportValue(const QString &report, const QString &key)
{
    for (const QString &line : report.split('\n'))
        if (line.startsWith(key + ": "))
            return line.mid(key.size() + 2);
    return "(no " + key + ")";
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QFile::exists(program()), "build the tavorin target first"); }

    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");     // expected start of standard output
        QTest::addColumn<QString>("errLine"); // expected line on standard error, or empty

        QTest::newRow("--version") << QStringList{"--version"} << 0 << "Tavorin " TAVORIN_VERSION "\n" << "";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: tavorin [options]\n" << "";
        QTest::newRow("Qt's own option") << QStringList{"-style", "fusion", "--version"} << 0 << "Tavorin " TAVORIN_VERSION "\n" << "";
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << 2 << "" << "tavorin: Unknown option 'frobnicate'. (see --help)";
        QTest::newRow("stray argument")
            << QStringList{"notes.mdb"} << 2 << "" << "tavorin: unexpected argument 'notes.mdb' (see --help)";
        QTest::newRow("--database without a file")
            << QStringList{"--database="} << 2 << "" << "tavorin: --database needs a file name (see --help)";
    }

    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, errLine);
        QTemporaryDir home;
        // Answered before any window system is looked for.
        const Run r = runProgram(program(), args, home.path(), home.path(), false, false);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out.left(out.size()), out);
        if (!errLine.isEmpty()) {
            const QStringList ours = r.err.split('\n').filter("tavorin:");
            QCOMPARE(ours, QStringList{errLine});
        }
        if (args == QStringList{"--help"})
            QVERIFY(r.out.contains("--database <file>") && r.out.contains("--check"));
        // Options are answered before any notebook is looked for or made.
        QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    void checkReport_data()
    {
        QTest::addColumn<QString>("setUp"); // what the folder holds before the start
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("expected"); // "key: value" lines; {home} is the temporary home

        QTest::newRow("named file missing")
            << "none" << QStringList{"--check", "--database", "{home}/gone.mdb"} << 1
            << QStringList{"database: {home}/gone.mdb",
                           "database-problem: 数据库连接失败 数据库文件不存在：{home}/gone.mdb"};
        QTest::newRow("read-only notebook opens for reading")
            << "read-only" << QStringList{"--check", "--database", "{home}/ro/mybook.mdb"} << 0
            << QStringList{"database: {home}/ro/mybook.mdb", "database-created: no", "database-read-only: yes",
                           "database-opens: yes"};
        // A server goes to the engine as given: no file looked for or made.
        QTest::newRow("server named, not reachable")
            << "none" << QStringList{"--check", "--database", "postgresql://127.0.0.1:1/team"} << 1
            << QStringList{"database: 数据库 team（服务器 127.0.0.1:1）", "database-created: no", "database-read-only: no"};
        QTest::newRow("data folder cannot be made")
            << "blocked" << QStringList{"--check"} << 1
            << QStringList{"database: {home}/.local/share/Tavorin/data/mybook.mdb",
                           "database-problem: 无法建立存放记事本的文件夹 {home}/.local/share/Tavorin/data：Not a directory"};
    }

    void checkReport()
    {
        QFETCH(QString, setUp);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, expected);

        QTemporaryDir home;
        // Open to the unprivileged user the read-only case runs as.
        QFile::setPermissions(home.path(), QFileDevice::Permissions(0x7755));
        const QString exe = home.filePath("tavorin");
        QVERIFY(QFile::copy(program(), exe));
        QDir().mkpath(home.filePath("work"));
        if (setUp == "read-only") {
            NewDatabase::create(db::Location::file(home.filePath("ro/mybook.mdb")));
            QVERIFY(QFile::copy(TAVORIN_RESOURCES_DIR "/test.html", home.filePath("ro/test.html")));
            QFile::setPermissions(home.filePath("ro/mybook.mdb"), QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                                                     | QFileDevice::ReadOther);
            QFile::setPermissions(home.filePath("ro"), QFileDevice::Permissions(0x5555));
        } else if (setUp == "blocked") {
            QFile block(home.filePath(".local/share/Tavorin"));
            QDir().mkpath(home.filePath(".local/share"));
            QVERIFY(block.open(QIODevice::WriteOnly));
        }
        for (QString &a : args)
            a.replace("{home}", home.path());
        const Run r = runProgram(exe, args, home.path(), home.filePath("work"), setUp == "read-only");
        QCOMPARE(r.exitCode, exitCode);
        for (QString line : expected) {
            line.replace("{home}", home.path());
            const QString key = line.section(": ", 0, 0);
            QCOMPARE(key + ": " + reportValue(r.out, key), line);
        }
        // Nothing was made where it was not asked for.
        QVERIFY(!QFile::exists(home.filePath("gone.mdb")));
        QCOMPARE(QDir(home.filePath("work")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        if (setUp == "read-only")
            QFile::setPermissions(home.filePath("ro"), QFileDevice::Permissions(0x7755));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
