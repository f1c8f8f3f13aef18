// SPDX-License-Identifier: GPL-3.0-or-later
// Where the notebook is looked for, the per-user one made on the first start
// (whole or not at all, never over an existing file), the start-up's answer
// to a named file that is missing, and the font configuration it reads ahead.
#include "core/DatabaseLocation.h"
#include "core/Database.h"
#include "core/Failure.h"
#include "core/MessageBox.h"
#include "core/ResourceLocator.h"
#include "core/SingleInstance.h"
#include "core/Startup.h"
#include "core/db/Connection.h"
#include "core/db/Recordset.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QDirIterator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fontconfig/fontconfig.h>
#include <future>
#include <unistd.h>

namespace {


// Every file and folder under `root`, relative to it, sorted.
QStringList tree(const QString &root)
{
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        all << QDir(root).relativeFilePath(it.next());
    all.sort();
    return all;
}

} // namespace

class TestDatabaseLocation : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        Database::useDatabase(db::Location::file(QStringLiteral("data/mybook.mdb")));
        ResourceLocator::setWorkingFolder(QString());
    }

    // A server named by --database or TAVORIN_DATABASE goes to the engine as
    // it was given: no file is looked for, made or locked.
    void lookUpOrder_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<bool>("localExists");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("path");    // relative to the temporary root; a server: part of what the status bar shows
        QTest::addColumn<QString>("working"); // relative to the temporary root
        QTest::newRow("option before all") << "elsewhere/data/nb.mdb" << "env.mdb" << true << int(DatabaseLocation::CommandLine)
                                           << "cwd/elsewhere/data/nb.mdb" << "cwd/elsewhere";
        QTest::newRow("option outside a data folder") << "../plain.mdb" << "" << false << int(DatabaseLocation::CommandLine)
                                                      << "plain.mdb" << "";
        QTest::newRow("environment before the current folder") << "" << "shared/data/nb.mdb" << true
                                                               << int(DatabaseLocation::Environment) << "cwd/shared/data/nb.mdb" << "cwd/shared";
        QTest::newRow("current folder when its database exists") << "" << "" << true << int(DatabaseLocation::CurrentFolder)
                                                                 << "cwd/data/mybook.mdb" << "cwd";
        QTest::newRow("per-user folder otherwise") << "" << "" << false << int(DatabaseLocation::UserData)
                                                   << "user/Tavorin/data/mybook.mdb" << "user/Tavorin";
        QTest::newRow("server URI on the command line") << "postgresql://db.example:5433/notes" << "env.mdb" << false
                                                        << int(DatabaseLocation::CommandLine) << "数据库 notes（服务器 db.example:5433）" << "cwd";
        QTest::newRow("server key=value in the environment") << "" << "postgres:host=db.example dbname=team" << false
                                                             << int(DatabaseLocation::Environment) << "数据库 team（服务器 db.example" << "cwd";
    }

    void lookUpOrder()
    {
        QFETCH(QString, option);
        QFETCH(QString, environment);
        QFETCH(bool, localExists);
        QFETCH(int, source);
        QFETCH(QString, path);
        QFETCH(QString, working);
        QTemporaryDir root;
        const QString cwd = root.filePath("cwd");
        QDir().mkpath(cwd);
        if (localExists)
            writeFile(cwd + "/data/mybook.mdb", "x");
        const auto loc = DatabaseLocation::find({option, environment, cwd, root.filePath("user/Tavorin")});
        QCOMPARE(int(loc.source()), source);
        QCOMPARE(loc.workingFolder(), QDir::cleanPath(root.filePath(working)));
        QCOMPARE(loc.mayCreate(), source == DatabaseLocation::UserData);
        QCOMPARE(loc.onServer(), path.contains("服务器"));
        if (loc.onServer()) {
            QCOMPARE(loc.notebook(), db::Location::server(option.isEmpty() ? environment : option));
            QVERIFY(loc.path().isEmpty() && !loc.readOnly());
            QString message = "untouched";
            QCOMPARE(int(loc.prepare(&message)), int(DatabaseLocation::Ready));
            QCOMPARE(message, QString("untouched"));
            QVERIFY2(loc.statusText().contains(path), qPrintable(loc.statusText()));
            QCOMPARE(tree(root.path()), QStringList{"cwd"}); // nothing made on disk
            return;
        }
        QCOMPARE(loc.path(), QDir::cleanPath(root.filePath(path)));
        QCOMPARE(loc.notebook(), db::Location::file(loc.path()));
        // Looking never makes anything.
        QCOMPARE(QFileInfo::exists(loc.path()), localExists && source == DatabaseLocation::CurrentFolder);
    }

    void prepare_data()
    {
        QTest::addColumn<bool>("named");        // --database instead of the per-user folder
        QTest::addColumn<QByteArray>("existing"); // bytes already at the path, or none
        QTest::addColumn<bool>("blocked");      // the data folder lies under a plain file
        QTest::addColumn<int>("readiness");
        QTest::addColumn<QString>("messagePart");

        QTest::newRow("an existing one is kept as it is")
            << false << QByteArray("not touched") << false << int(DatabaseLocation::Ready) << "";
        QTest::newRow("a named file is never made") << true << QByteArray() << false << int(DatabaseLocation::Missing) << "数据库连接失败";
        QTest::newRow("an unmakeable folder is named with the reason")
            << false << QByteArray() << true << int(DatabaseLocation::Failed) << "Not a directory";
    }

    void prepare()
    {
        QFETCH(bool, named);
        QFETCH(QByteArray, existing);
        QFETCH(bool, blocked);
        QFETCH(int, readiness);
        QFETCH(QString, messagePart);

        QTemporaryDir root;
        QString userFolder = root.filePath("home/.local/share/Tavorin");
        if (blocked)
            writeFile(root.filePath("home/.local"), "a file where a folder should be");
        const auto loc = DatabaseLocation::find(
            {named ? root.filePath("nb/data/mine.mdb") : QString(), {}, root.path(), userFolder});
        if (!existing.isEmpty())
            writeFile(loc.path(), existing);
        const QStringList before = tree(root.path());

        QString message;
        QCOMPARE(int(loc.prepare(&message)), readiness);
        QCOMPARE(tree(root.path()), before);
        if (!existing.isEmpty())
            QCOMPARE(fileBytes(loc.path()), existing);
        if (messagePart.isEmpty()) {
            QVERIFY(message.isEmpty());
        } else {
            QVERIFY2(message.contains(messagePart), qPrintable(message));
            // The message names the file or the folder it could not make.
            const QString named = QDir::toNativeSeparators(blocked ? QFileInfo(loc.path()).absolutePath() : loc.path());
            QVERIFY2(message.contains(named), qPrintable(message));
        }
    }

    void startUpSaysWhatItMadeOrEndsOnAMissingFile_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("home"); // the per-user data folder
        QTest::addColumn<bool>("fails"); // else the program goes on
        QTest::newRow("--database on a missing file") << true << "user" << true;
        QTest::newRow("first start") << false << "user" << false;
        QTest::newRow("first start, ';' and '=' in the folder's name") << false << "a;b=c;" << false;
    }

    void startUpSaysWhatItMadeOrEndsOnAMissingFile()
    {
        QFETCH(bool, named);
        QFETCH(QString, home);
        QFETCH(bool, fails);
        TestDb t(false);
        const auto loc = DatabaseLocation::find(
            {named ? QStringLiteral("gone/mybook.mdb") : QString(), {}, t.dir(), t.dir() + "/" + home});
        QString shown;
        bool failed = false;
        try {
            shown = Startup::openNotebook(loc);
        } catch (const Failure &e) {
            shown = e.message();
            failed = true;
        }
        QCOMPARE(failed, fails);
        QVERIFY(MessageBox::shown().isEmpty()); // the caller shows it
        QVERIFY2(shown.contains(QDir::toNativeSeparators(loc.path())), qPrintable(shown));
        if (named) {
            QVERIFY(shown.startsWith(QStringLiteral("数据库连接失败")));
            QVERIFY(!QFileInfo::exists(t.dir() + "/gone"));
            return;
        }
        // The user is told the first account; the program then works on that file.
        QVERIFY(shown.contains(QStringLiteral("admin")) && shown.contains(QStringLiteral("123456")));
        QCOMPARE(Database::notebook, loc.notebook());
        QCOMPARE(ResourceLocator::workingFolder(), t.dir() + "/" + home);
        QCOMPARE(Database::query("SELECT count(*) FROM Users")->value(0).toInt(), 1);
        QCOMPARE(Database::query("SELECT UserName FROM Users")->value(0).toString(), QStringLiteral("admin"));
        QCOMPARE(Database::query("SELECT count(*) FROM Website")->value(0).toInt(), 0);
        QCOMPARE(Database::sharedConnection()->path(), loc.path());
        QCOMPARE(Startup::notebookStatus(), QStringLiteral("数据库：") + QDir::toNativeSeparators(loc.path()));
        // Readable by its owner alone, in a folder of the owner's alone; only the database itself
        // is left there, no temporary or probe file.
        QCOMPARE(QFileInfo(loc.path()).permissions() & 0x00ff, 0);
        QCOMPARE(QFileInfo(QFileInfo(loc.path()).absolutePath()).permissions() & 0x00ff, 0);
        QCOMPARE(tree(t.dir() + "/" + home), QStringList({"data", "data/mybook.mdb"}));
    }

    // Lock and socket live where no other user can plant them: a folder that
    // another user owns, or may write to, is refused.
    void lockLivesInAPrivateFolder_data()
    {
        QTest::addColumn<QString>("runtime"); // XDG_RUNTIME_DIR: none, private, open to all
        QTest::addColumn<bool>("foreignOwner"); // the lock folder belongs to someone else
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("outcome");
        QTest::newRow("the runtime folder") << "private" << false << "run/tavorin" << int(SingleInstance::First);
        QTest::newRow("no runtime folder: beside the notebook") << "" << false << "nb/.tavorin-lock" << int(SingleInstance::First);
        QTest::newRow("a runtime folder open to all is not used") << "open" << false << "nb/.tavorin-lock" << int(SingleInstance::First);
        QTest::newRow("a lock folder of another user") << "" << true << "nb/.tavorin-lock" << int(SingleInstance::Unsafe);
    }
    void lockLivesInAPrivateFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, foreignOwner);
        QFETCH(QString, folder);
        QTemporaryDir root;
        const auto restore = qScopeGuard([before = qgetenv("XDG_RUNTIME_DIR")] { qputenv("XDG_RUNTIME_DIR", before); });
        QDir().mkpath(root.filePath("run"));
        QFile::setPermissions(root.filePath("run"), runtime == "open" ? QFileDevice::Permissions(0x7777) : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.isEmpty() ? QByteArray() : root.filePath("run").toUtf8());
        writeFile(root.filePath("nb/mybook.mdb"), "x");
        if (foreignOwner) {
            if (geteuid() != 0)
                QSKIP("making a folder of another user needs root");
            QDir().mkpath(root.filePath(folder));
            QVERIFY(chown(QFile::encodeName(root.filePath(folder)).constData(), 65534, 65534) == 0);
        }
        const auto loc = DatabaseLocation::find({root.filePath("nb/mybook.mdb"), {}, root.path(), {}});
        SingleInstance instance(loc);
        QCOMPARE(QFileInfo(instance.lockFilePath()).absolutePath(), root.filePath(folder));
        QFETCH(int, outcome);
        QCOMPARE(int(instance.claim()), outcome);
        if (outcome != SingleInstance::First)
            return;
        QCOMPARE(QFileInfo(root.filePath(folder)).permissions() & 0x0fff, QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        // A second program on the notebook asks the first through its socket, and ends.
        instance.listen();
        QSignalSpy asked(&instance, &SingleInstance::activationRequested);
        auto second = std::async(std::launch::async, [&loc] { return SingleInstance(loc).claim(); });
        QTRY_VERIFY(second.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(second.get(), SingleInstance::Forwarded);
        QCOMPARE(asked.count(), 1);
    }

    void sameFileSameKey_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        QTest::newRow("two spellings") << "a/data/mybook.mdb" << "a/x/../data/./mybook.mdb" << true;
        QTest::newRow("through a link") << "a/data/mybook.mdb" << "link/data/mybook.mdb" << true;
        QTest::newRow("another file") << "a/data/mybook.mdb" << "b/data/mybook.mdb" << false;
    }

    void sameFileSameKey()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        QTemporaryDir root;
        writeFile(root.filePath("a/data/mybook.mdb"), "x");
        writeFile(root.filePath("b/data/mybook.mdb"), "x");
        QDir().mkpath(root.filePath("a/x"));
        QVERIFY(QFile::link(root.filePath("a"), root.filePath("link")));
        auto key = [&](const QString &p) { return DatabaseLocation::find({p, {}, root.path(), {}}).instanceKey(); };
        QCOMPARE(key(first) == key(second), same);
    }

    // The start reads the font configuration its own way (without the templates fontconfig
    // parses only to describe them): every text must come out as under fontconfig's own start,
    // the same font file, face and rendering.
    void fontConfigurationIsFontconfigsOwn_data()
    {
        QTest::addColumn<QByteArray>("pattern");
        for (const char *p : {"sans-serif:lang=zh-cn", "serif:lang=zh-cn", "monospace:lang=zh-cn", "sans-serif:lang=zh-tw:bold",
                              "sans-serif:lang=en", "Microsoft YaHei", "SimSun:lang=zh-cn", "Arial", "Courier New:italic"})
            QTest::newRow(p) << QByteArray(p);
    }

    void fontConfigurationIsFontconfigsOwn()
    {
        QFETCH(QByteArray, pattern);
        static const bool read = Startup::readFontConfiguration(); // once, as a start does
        QVERIFY(read);
        FcConfig *own = FcInitLoadConfigAndFonts();
        QVERIFY(own);
        auto chosen = [&pattern](FcConfig *config) {
            FcPattern *asked = FcNameParse(reinterpret_cast<const FcChar8 *>(pattern.constData()));
            FcConfigSubstitute(config, asked, FcMatchPattern);
            FcDefaultSubstitute(asked);
            FcResult result;
            FcPattern *font = FcFontMatch(config, asked, &result);
            FcChar8 *text = font ? FcPatternFormat(font, reinterpret_cast<const FcChar8 *>(
                                                             "%{file}#%{index} %{hintstyle} %{antialias} %{rgba} %{lcdfilter}"))
                                 : nullptr;
            const QByteArray out = text ? QByteArray(reinterpret_cast<const char *>(text)) : QByteArray();
            FcStrFree(text);
            if (font)
                FcPatternDestroy(font);
            FcPatternDestroy(asked);
            return out;
        };
        const QByteArray ours = chosen(nullptr);
        QVERIFY(!ours.isEmpty());
        QCOMPARE(ours, chosen(own));
        FcConfigDestroy(own);
    }
};

QTEST_MAIN(TestDatabaseLocation)
#include "tst_databaselocation.moc"
