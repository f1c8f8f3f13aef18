#include "exchange/AccessImport.h"

#include "core/ColumnName.h"
#include "core/DatabaseLocation.h"
#include "core/MessageBox.h"
#include "core/NameCompare.h"
#include "core/NewDatabase.h"
#include "core/Password.h"
#include "core/Program.h"
#include "core/Schema.h"
#include "core/db/Catalog.h"
#include "exchange/ExchangeError.h"
#include "exchange/JetReader.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <sqlite3.h>
#ifdef Q_OS_UNIX
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace AccessImport {

namespace {

using exchange::JetReader;

// The new file, written in one transaction through prepared statements.
class Target {
public:
    explicit Target(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail();
        // Freed pages are zeroed: no trace of a replaced value stays in the file.
        // The file is a scratch copy until it is renamed into place, so the
        // bulk of it goes in without a journal or syncs (a failure deletes
        // it); finish() makes it durable before the rename.
        exec("PRAGMA secure_delete = ON; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
        exec("BEGIN");
    }
    ~Target() { sqlite3_close(m_db); }

    void exec(const QString &sql)
    {
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }

    // Inserts rows into the named columns of a table; returns how many.
    class Insert {
    public:
        Insert(Target &target, const QString &table, const QStringList &columns)
            : m_target(target)
        {
            QStringList names, marks;
            for (const QString &c : columns) {
                names << db::quoteIdentifier(c);
                marks << QStringLiteral("?");
            }
            const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(db::quoteIdentifier(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))
                                       .toUtf8();
            if (sqlite3_prepare_v2(target.m_db, sql.constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
                target.fail();
        }
        ~Insert() { sqlite3_finalize(m_stmt); }
        void row(const QVariantList &values)
        {
            for (int i = 0; i < values.size(); ++i) {
                const QVariant &v = values[i];
                if (v.isNull()) {
                    sqlite3_bind_null(m_stmt, i + 1);
                } else if (v.typeId() == QMetaType::LongLong) {
                    sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
                } else {
                    const QByteArray text = v.toString().toUtf8();
                    sqlite3_bind_text(m_stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                }
            }
            if (sqlite3_step(m_stmt) != SQLITE_DONE)
                m_target.fail();
            sqlite3_reset(m_stmt);
        }

    private:
        Target &m_target;
        sqlite3_stmt *m_stmt = nullptr;
    };

    qint64 count(const QString &table)
    {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM %1").arg(db::quoteIdentifier(table)).toUtf8();
        qint64 n = -1;
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            n = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
        return n;
    }

    // Commits, then one small write with full syncs: it reaches the disk
    // together with everything written before it.
    void finish()
    {
        exec("COMMIT");
        exec(QStringLiteral("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; BEGIN; PRAGMA user_version = %1; COMMIT")
                 .arg(::Schema::CurrentVersion));
    }

    [[noreturn]] void fail() { throw Failure(QStringLiteral("无法写入新记事本：%1").arg(QString::fromUtf8(sqlite3_errmsg(m_db)))); }

private:
    sqlite3 *m_db = nullptr;
};

// libmdb can crash or loop on a damaged file (the fuzzer found both, in its
// usage maps and its property lists): the whole file is read once in a child
// process first, and only a clean read goes on. A child that dies or takes
// longer than any sound file of its size would is the file's refusal.
void readInChild(const QString &jetPath)
{
#ifdef Q_OS_UNIX
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return; // no child to be had: the read below is the only one
    if (child == 0) {
        try {
            JetReader jet(jetPath);
            for (const JetReader::Table &t : jet.tables()) {
                try {
                    jet.columns(t.name);
                } catch (const Failure &) {
                }
                jet.readRows(t.name, [](const QVariantList &) {});
            }
        } catch (...) {
            // a refusal: the parent meets it again, with its reason
        }
        _exit(0);
    }
    const qint64 limitMs = 60000 + QFileInfo(jetPath).size() / 1000; // a minute and a second per MB
    QElapsedTimer timer;
    timer.start();
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0 && timer.elapsed() < limitMs)
        QThread::msleep(10);
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        throw Failure(QStringLiteral("文件已损坏，无法转换：读取它时陷入了循环（超过 %1 秒）").arg(limitMs / 1000));
    }
    if (done == child && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        throw Failure(QStringLiteral("文件已损坏，无法转换：读取它的过程异常终止（信号 %1）").arg(WIFSIGNALED(status) ? WTERMSIG(status) : -1));
#else
    Q_UNUSED(jetPath)
#endif
}

bool isNotesTable(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^biji(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

// Positions of the wanted columns in a table, by name in any letter case;
// a table without one of them, or with others, is not the original's.
QVector<int> positions(const QVector<JetReader::Column> &columns, const QStringList &wanted, const QString &table)
{
    QVector<int> result;
    for (const QString &name : wanted) {
        int found = -1;
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].def.name.compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0 || columns.size() != wanted.size())
            throw Failure(QStringLiteral("表 %1 的字段与原记事本程序的不同（应为 %2），未转换。").arg(table, wanted.join(QStringLiteral(", "))));
        result << found;
    }
    return result;
}

// Copies a fixed-layout table (Users, Website) in our column order.
int copyTable(JetReader &jet, Target &target, const QString &from, const QString &to, const QStringList &columns,
              const std::function<QVariantList(QVariantList)> &change = {})
{
    const QVector<int> at = positions(jet.columns(from), columns, from);
    Target::Insert insert(target, to, columns);
    const qint64 rows = jet.readRows(from, [&](const QVariantList &values) {
        QVariantList ordered;
        for (int i : at)
            ordered << values[i];
        insert.row(change ? change(ordered) : ordered);
    });
    return int(rows);
}

} // namespace

Report convert(const QString &jetPath, const QString &newPath)
{
    if (QFileInfo::exists(newPath))
        throw Failure(QStringLiteral("%1 已存在，未覆盖。").arg(QDir::toNativeSeparators(newPath)));
    if (JetReader::looksLikeJet(jetPath))
        readInChild(jetPath);
    JetReader jet(jetPath);
    Report report;
    report.version = jet.version();
    QString usersTable, websiteTable;
    QStringList notes;
    for (const JetReader::Table &t : jet.tables()) {
        if (!t.system && t.name.compare(QLatin1String("Users"), Qt::CaseInsensitive) == 0)
            usersTable = t.name;
        else if (!t.system && t.name.compare(QLatin1String("Website"), Qt::CaseInsensitive) == 0)
            websiteTable = t.name;
        else if (!t.system && isNotesTable(t.name))
            notes << t.name;
        else
            report.leftOut << t.name;
    }
    if (usersTable.isEmpty() || websiteTable.isEmpty())
        throw Failure(QStringLiteral("%1 不是原记事本程序的数据库（没有 Users 和 Website 表），未转换。").arg(QDir::toNativeSeparators(jetPath)));

    // Accounts whose names differ only in letter case cannot both log in:
    // the owner decides which stays, before anything is written.
    QHash<QString, QString> seen;
    QStringList clashes;
    const QVector<int> userAt = positions(jet.columns(usersTable), {QStringLiteral("UserName"), QStringLiteral("UserPwd")}, usersTable);
    jet.readRows(usersTable, [&](const QVariantList &values) {
        const QString name = values[userAt[0]].toString();
        const QString key = NameCompare::key(name.trimmed());
        if (seen.contains(key))
            clashes << seen[key] + QStringLiteral(" / ") + name;
        seen.insert(key, name);
    });
    if (!clashes.isEmpty())
        throw Failure(QStringLiteral("这些帐号名只差大小写，登录时无法区分：%1。请先在原程序中改名或删除其一，未转换。")
                                .arg(clashes.join(QStringLiteral("、"))));

    const QString partial = newPath + QStringLiteral(".new");
    QFile::remove(partial);
    NewDatabase::create(db::Location::file(partial));
    try {
        Target target(partial);
        target.exec(QStringLiteral("DELETE FROM Users"));
        // The original keeps passwords in clear; only their hashes are written.
        report.users = copyTable(jet, target, usersTable, QStringLiteral("Users"), {QStringLiteral("UserName"), QStringLiteral("UserPwd")},
                                 [](QVariantList v) {
                                     v[1] = Password::hash(v[1].toString().trimmed());
                                     return v;
                                 });
        QSet<qint64> websiteIds;
        report.websites = copyTable(jet, target, websiteTable, QStringLiteral("Website"),
                                    {QStringLiteral("Webid"), QStringLiteral("Webname"), QStringLiteral("Weburl"), QStringLiteral("Webtime"),
                                     QStringLiteral("Webmemos")},
                                    [&](QVariantList v) {
                                        websiteIds.insert(v[0].toLongLong());
                                        return v;
                                    });
        QSet<qint64> tableIds;
        for (const QString &table : std::as_const(notes)) {
            const QVector<JetReader::Column> columns = jet.columns(table);
            QVector<db::ColumnDef> defs;
            QStringList names;
            for (const JetReader::Column &c : columns) {
                if (!ColumnName::acceptable(c.def.name, names))
                    throw Failure(QStringLiteral("表 %1 的字段名“%2”不能在本程序中使用，未转换。").arg(table, c.def.name));
                db::ColumnDef def = c.def;
                // A second counter would not be one: SQLite keeps one per table.
                def.autoIncrement = def.autoIncrement && std::none_of(defs.begin(), defs.end(), [](const db::ColumnDef &d) { return d.autoIncrement; });
                defs << def;
                names << c.def.name;
            }
            QStringList ddl;
            for (const db::ColumnDef &d : std::as_const(defs))
                ddl << db::columnDdl(d);
            target.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(db::quoteIdentifier(table), ddl.join(QStringLiteral(", "))));
            Target::Insert insert(target, table, names);
            const qint64 rows = jet.readRows(table, [&](const QVariantList &values) { insert.row(values); });
            if (target.count(table) != rows)
                throw Failure(QStringLiteral("表 %1：读出 %2 行，新记事本中却有 %3 行，未转换。").arg(table).arg(rows).arg(target.count(table)));
            report.notesRows += rows;
            const qint64 id = table.mid(4).toLongLong();
            tableIds.insert(id);
            if (!websiteIds.contains(id))
                report.tablesWithoutWebsite << table;
        }
        report.notesTables = int(notes.size());
        QList<qint64> missing(websiteIds.begin(), websiteIds.end());
        std::sort(missing.begin(), missing.end());
        for (qint64 id : std::as_const(missing))
            if (!tableIds.contains(id))
                report.websitesWithoutTable << QString::number(id);
        if (target.count(QStringLiteral("Users")) != report.users || target.count(QStringLiteral("Website")) != report.websites)
            throw Failure(QStringLiteral("帐号或网站的行数与原文件不符，未转换。"));
        target.finish();
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (QFileInfo::exists(newPath) || !QFile::rename(partial, newPath)) {
        QFile::remove(partial);
        throw Failure(QStringLiteral("无法把新记事本放到 %1。").arg(QDir::toNativeSeparators(newPath)));
    }
    return report;
}

QStringList describe(const Report &r)
{
    QStringList lines{QStringLiteral("原文件格式：%1").arg(r.version),
                      QStringLiteral("帐号：%1 个（密码已加密保存）").arg(r.users),
                      QStringLiteral("网站：%1 个").arg(r.websites),
                      QStringLiteral("记录表：%1 个，共 %2 条记录").arg(r.notesTables).arg(r.notesRows)};
    if (!r.leftOut.isEmpty())
        lines << QStringLiteral("未转换的其他表：%1").arg(r.leftOut.join(QStringLiteral("、")));
    if (!r.tablesWithoutWebsite.isEmpty())
        lines << QStringLiteral("没有对应网站的记录表（已照原样转换）：%1").arg(r.tablesWithoutWebsite.join(QStringLiteral("、")));
    if (!r.websitesWithoutTable.isEmpty())
        lines << QStringLiteral("还没有记录表的网站编号：%1").arg(r.websitesWithoutTable.join(QStringLiteral("、")));
    return lines;
}

QString keptName(const QString &path)
{
    const QFileInfo info(path);
    const QString stem = info.completeBaseName() + QStringLiteral("-access-") + QDate::currentDate().toString(Qt::ISODate);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString kept = info.dir().filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = info.dir().filePath(QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix));
    return kept;
}

void offerAtStart(const DatabaseLocation &location)
{
    const QString path = location.path();
    if (location.onServer() || !JetReader::looksLikeJet(path))
        return;
    if (MessageBox::show(QStringLiteral("这是旧版（Access）记事本，是否转换为 Tavorin 记事本？原文件将原样保留。"), MessageBox::OkCancel,
                         MessageBox::Question)
        != MessageBox::Ok)
        return;
    const QString converted = path + QStringLiteral(".converted");
    const QString kept = keptName(path);
    try {
        QFile::remove(converted);
        const Report report = convert(path, converted);
        // The original stays whole under its new name (a second link to the
        // same bytes, or a copy); then the new notebook takes the name in one step.
        std::error_code failed;
        std::filesystem::create_hard_link(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData(), failed);
        if (failed && !QFile::copy(path, kept))
            throw Failure(QStringLiteral("无法保存原文件为 %1。").arg(QDir::toNativeSeparators(kept)));
        std::filesystem::rename(QFile::encodeName(converted).constData(), QFile::encodeName(path).constData(), failed);
        if (failed) {
            QFile::remove(kept);
            throw Failure(QStringLiteral("无法把新记事本放到 %1。").arg(QDir::toNativeSeparators(path)));
        }
        MessageBox::show(QStringLiteral("转换完成。原文件保存为：\n%1\n\n").arg(QDir::toNativeSeparators(kept)) + describe(report).join(QLatin1Char('\n')));
    } catch (const std::exception &e) {
        QFile::remove(converted);
        const auto *known = dynamic_cast<const Failure *>(&e);
        MessageBox::show(QStringLiteral("转换失败，原文件未改动：\n%1").arg(known ? known->message() : QString::fromUtf8(e.what())),
                         MessageBox::OkOnly, MessageBox::Critical);
        Program::end(1);
    }
}

} // namespace AccessImport
