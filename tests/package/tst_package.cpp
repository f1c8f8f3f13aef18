// SPDX-License-Identifier: GPL-3.0-or-later
// The Debian package made from this build, unpacked into a temporary root
// (dpkg -x) and run from there as a new user would: the files in their
// places, the first start making the notebook in the user's data folder and
// opening it, and one program per notebook.
#include "catalogue/MainWindow.h"
#include "core/DatabaseLocation.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/NewDatabase.h"
#include "core/ResourceLocator.h"
#include "core/SingleInstance.h"
#include "core/Startup.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QMap<QString, QString> parseReport(const QString &text)
{
    QMap<QString, QString> values;
    for (const QString &line : text.split('\n'))
        if (const qsizetype colon = line.indexOf(": "); colon > 0)
            values.insert(line.left(colon), line.mid(colon + 2));
    return values;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;  // the unpacked package
    QTemporaryDir m_home;  // the new user's home, data and settings folders
    QString m_work;        // the folder the program is started in (empty)

    QString installed(const QString &relative) const { return m_root.filePath(relative); }
    QString userDatabase() const { return m_home.filePath(".local/share/Tavorin/data/mybook.mdb"); }

    QProcessEnvironment userEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home.path());
        env.insert("XDG_DATA_HOME", m_home.filePath(".local/share"));
        env.insert("XDG_CONFIG_HOME", m_home.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("TAVORIN_DATABASE");
        return env;
    }

    void startInstalled(QProcess &p, const QStringList &args) const
    {
        p.setProcessEnvironment(userEnvironment());
        p.setWorkingDirectory(m_work);
        p.start(installed("usr/bin/tavorin"), args);
    }

    QMap<QString, QString> check()
    {
        QProcess p;
        startInstalled(p, {"--check"});
        if (!p.waitForFinished(30000))
            p.kill();
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        auto report = parseReport(out);
        report.insert("exit", QString::number(p.exitCode()));
        report.insert("stderr", QString::fromUtf8(p.readAllStandardError()));
        return report;
    }

private slots:
    void initTestCase()
    {
        const QDir dir(TAVORIN_PACKAGE_DIR);
        const QStringList debs = dir.entryList({"tavorin_*.deb"}, QDir::Files, QDir::Time);
        QVERIFY2(!debs.isEmpty(), "no package in " TAVORIN_PACKAGE_DIR " (the package_build test makes it)");
        QProcess dpkg;
        dpkg.start("dpkg", {"-x", dir.filePath(debs.first()), m_root.path()});
        QVERIFY(dpkg.waitForFinished(60000));
        QVERIFY2(dpkg.exitCode() == 0, dpkg.readAllStandardError().constData());
        m_work = m_home.filePath("work");
        QVERIFY(QDir().mkpath(m_work));
    }

    void filesInTheirPlaces_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        for (const char *tool : {"usr/bin/tavorin", "usr/bin/tavorin-db", "usr/bin/tavorin-pngdump"})
            QTest::newRow(tool) << tool << true;
        for (const char *file : {"tavorin/img/login.png", "tavorin/test.html", "applications/org.example.Tavorin.desktop",
                                 "metainfo/org.example.Tavorin.metainfo.xml", "icons/hicolor/48x48/apps/org.example.Tavorin.png",
                                 "icons/hicolor/128x128/apps/org.example.Tavorin.png", "icons/hicolor/256x256/apps/org.example.Tavorin.png",
                                 "icons/hicolor/scalable/apps/org.example.Tavorin.svg", "doc/tavorin/copyright",
                                 "doc/tavorin/changelog.Debian.gz", "man/man1/tavorin.1.gz"})
            QTest::newRow(file) << "usr/share/" + QString::fromLatin1(file) << false;
    }

    void filesInTheirPlaces()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(installed(path));
        QVERIFY2(info.isFile(), qPrintable(path));
        QCOMPARE(info.isExecutable(), executable);
        if (path.endsWith(".png") && path.contains("/icons/")) {
            // Each icon is the size its folder says.
            const int size = path.section('/', 4, 4).section('x', 0, 0).toInt();
            QCOMPARE(QImage(info.filePath()).size(), QSize(size, size));
        }
    }

    void menuEntryStartsTheInstalledProgram()
    {
        QFile f(installed("usr/share/applications/org.example.Tavorin.desktop"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto entry = QString::fromUtf8(f.readAll()).split('\n');
        // StartupWMClass: the window class the program's windows carry, for
        // the desktop to match its windows with the menu entry.
        for (const char *line : {"Exec=tavorin", "Icon=org.example.Tavorin", "Name[zh_CN]=网站优化记事本",
                                 "Categories=Office;Database;", "StartupWMClass=Tavorin"})
            QVERIFY2(entry.contains(QString::fromUtf8(line)), line);
    }

    // The software centre's listing, read back by AppStream itself from the
    // installed file: Chinese under a Chinese locale, with a picture of every
    // window the README shows. appstreamcli reads /usr/share/metainfo only, so
    // the package's folder is mounted there in a mount namespace of its own.
    void softwareCentreListing()
    {
        QTemporaryDir cache;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            env.remove(name);
        env.insert("LANG", "zh_CN.UTF-8");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start("unshare", {"-m", "sh", "-c",
                            "mount --bind \"$1\" /usr/share/metainfo && exec appstreamcli get --no-cache --cachepath \"$2\" "
                            "org.example.Tavorin", "sh", installed("usr/share/metainfo"), cache.path()});
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput()), err = QString::fromUtf8(p.readAllStandardError());
        if (out.isEmpty() && (err.contains("mount") || err.contains("unshare")))
            QSKIP(qPrintable("a mount namespace needs root here: " + err));
        QVERIFY2(out.contains("网站优化记事本") && out.contains("为客户网站做搜索引擎优化的记事本"), qPrintable(out + err));
        QFile f(installed("usr/share/metainfo/org.example.Tavorin.metainfo.xml"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString listing = QString::fromUtf8(f.readAll());
        for (const char *picture : {"main", "notes", "editor", "chart", "import"})
            QVERIFY2(listing.contains(QStringLiteral("/%1.png</image>").arg(picture)), picture);
    }

    void firstStartMakesTheNotebookAndFindsTheInstalledFiles()
    {
        auto report = check();
        QCOMPARE(report.value("exit"), QString("0"));
        QCOMPARE(report.value("database"), userDatabase());
        QCOMPARE(report.value("database-created"), QString("yes"));
        QCOMPARE(report.value("database-read-only"), QString("no"));
        QCOMPARE(report.value("database-opens"), QString("yes"));
        QCOMPARE(report.value("img/login.png"), installed("usr/share/tavorin/img/login.png"));
        QCOMPARE(report.value("login-artwork-shown"), QString("yes"));
        QCOMPARE(report.value("test.html"), installed("usr/share/tavorin/test.html"));
        // Nothing in the folder it was started in.
        QCOMPARE(QDir(m_work).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

        // Started in an empty folder, the program opens the user's notebook (the login is
        // tst_startup's), and the status bar names it.
        {
            TestDb t(false);
            Startup::openNotebook(DatabaseLocation::find({{}, {}, m_work, m_home.filePath(".local/share/Tavorin")}));
            QCOMPARE(Database::query("SELECT count(*) FROM Website")->value(0).toInt(), 0);
            QCOMPARE(Database::sharedConnection()->path(), userDatabase());
            MainWindow *main = Forms::get<MainWindow>();
            main->show();
            auto *file = main->findChild<QLabel *>("NotebookFile");
            QVERIFY(file);
            QCOMPARE(file->text(), QStringLiteral("数据库：") + userDatabase());
            // It takes the room the five fixed panels leave: at the design width
            // little, in a wider window the whole name.
            main->resize(1400, 700);
            QTRY_VERIFY(file->width() >= file->fontMetrics().horizontalAdvance(file->text()));
            delete main;
            Database::useDatabase(db::Location::file(QStringLiteral("data/mybook.mdb")));
            ResourceLocator::setWorkingFolder(QString());
        }

        // The next start uses it as it is.
        const QByteArray before = [&] {
            QFile db(userDatabase());
            return db.open(QIODevice::ReadOnly) ? db.readAll() : QByteArray();
        }();
        report = check();
        QCOMPARE(report.value("database-created"), QString("no"));
        QFile db(userDatabase());
        QVERIFY(db.open(QIODevice::ReadOnly));
        QCOMPARE(db.readAll(), before);
    }

    void aSecondStartHandsOverToTheFirst()
    {
        if (!QFile::exists(userDatabase()))
            QSKIP("needs the notebook of the first start");
        const auto notebook = DatabaseLocation::find({{}, {}, m_work, m_home.filePath(".local/share/Tavorin")});
        QProcess first;
        startInstalled(first, {});
        QVERIFY(first.waitForStarted());
        // It holds its notebook once its lock is there and it listens.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(SingleInstance(notebook).lockFilePath()), 15000);
        QTest::qWait(300);

        QProcess second;
        startInstalled(second, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY2(second.readAllStandardOutput().contains("is already open"), "the second start did not hand over");
        QCOMPARE(first.state(), QProcess::Running);

        // Another notebook is another program's business: it starts.
        const QString other = m_home.filePath("other/data/mybook.mdb");
        NewDatabase::create(db::Location::file(other));
        QProcess third;
        startInstalled(third, {"--database", other});
        QVERIFY(third.waitForStarted());
        QVERIFY2(!third.waitForFinished(2000), third.readAllStandardOutput().constData());

        for (QProcess *p : {&first, &third}) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
        // A lock left behind by a program that was killed fools nobody.
        QProcess again;
        startInstalled(again, {});
        QVERIFY(again.waitForStarted());
        QVERIFY2(!again.waitForFinished(2000), again.readAllStandardOutput().constData());
        again.kill();
        again.waitForFinished();
    }
};

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
