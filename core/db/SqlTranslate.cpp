#include "core/db/SqlTranslate.h"

#include "core/db/DateLiteral.h"
#include "core/db/DbError.h"
#include "core/db/Quote.h"
#include "core/db/TextCheck.h"

#include <QRegularExpression>
#include <QStringList>

namespace db {

namespace {

const QStringList &userColumns()
{
    static const QStringList names{QStringLiteral("UserName"), QStringLiteral("UserPwd")};
    return names;
}

const QStringList &websiteColumns()
{
    static const QStringList names{QStringLiteral("Webid"), QStringLiteral("Webname"), QStringLiteral("Weburl"),
                                   QStringLiteral("Webtime"), QStringLiteral("Webmemos")};
    return names;
}

// The program's own schema names, created on the server in this spelling.
// The stores write them bare in several letter cases (webName, Webname),
// which the server would otherwise treat as different names.
const QStringList &ownNames()
{
    static const QStringList names = QStringList{QStringLiteral("Users"), QStringLiteral("Website"), QStringLiteral("AutoId")}
                                     + userColumns() + websiteColumns();
    return names;
}

QString spelledAs(const QStringList &names, const QString &word)
{
    for (const QString &own : names)
        if (own.compare(word, Qt::CaseInsensitive) == 0)
            return own;
    return {};
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() >= 0x80; }

// The end of a quoted run ('...', "...") starting at i: the index after its
// closing quote, a doubled quote being part of the run.
qsizetype quotedEnd(const QString &sql, qsizetype i)
{
    const QChar close = sql.at(i);
    const qsizetype n = sql.size();
    qsizetype j = i + 1;
    while (j < n) {
        if (sql.at(j) == close) {
            if (j + 1 < n && sql.at(j + 1) == close) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return n;
}

QString dateLiteral(const QString &sql, qsizetype i, qsizetype *next)
{
    const qsizetype close = sql.indexOf(QLatin1Char('#'), i + 1);
    if (close < 0)
        throw DbError(QStringLiteral("日期没有结束的 # 号：%1").arg(sql.mid(i)));
    const QString text = sql.mid(i + 1, close - i - 1);
    const auto date = readDateLiteral(text);
    if (!date)
        throw DbError(QStringLiteral("无法识别的日期：%1").arg(text.trimmed()));
    *next = close + 1;
    return QLatin1Char('\'') + date->toString(Qt::ISODate) + QLatin1Char('\'');
}

bool isNotesTable(const QString &table)
{
    static const QRegularExpression notes(QStringLiteral("^biji[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    return notes.match(table).hasMatch();
}

} // namespace

void refuseBadText(const QString &text)
{
    // The last guard for text no box refused, on either engine: such a
    // statement would be cut short at a NUL or store a lone surrogate as "?".
    if (const QString problem = textProblem(text); !problem.isEmpty())
        throw DbError(QStringLiteral("文字%1，不能写入数据库，也不能用来查找。请删去这个字符后再试。").arg(problem),
                      DbError::BadText);
}

QString serverTableName(const QString &table)
{
    if (isNotesTable(table))
        return table.toLower();
    const QString own = spelledAs({QStringLiteral("Users"), QStringLiteral("Website")}, table);
    return own.isEmpty() ? table : own;
}

QString serverColumnName(const QString &table, const QString &column)
{
    const QString t = serverTableName(table);
    QString own;
    if (t == QLatin1String("Users"))
        own = spelledAs(userColumns(), column);
    else if (t == QLatin1String("Website"))
        own = spelledAs(websiteColumns(), column);
    else if (isNotesTable(t))
        own = spelledAs({QStringLiteral("AutoId")}, column);
    return own.isEmpty() ? column : own;
}

QString translateServerSql(const QString &accessSql, int *parameters)
{
    refuseBadText(accessSql);
    QString out;
    out.reserve(accessSql.size() + 16);
    const qsizetype n = accessSql.size();
    int placeholders = 0;
    // Set after Like: the pattern that follows gets ESCAPE '' unless it has its own.
    bool patternPending = false;
    bool patternDone = false;
    qsizetype i = 0;
    auto skipBlanks = [&](qsizetype from) {
        while (from < n && accessSql.at(from).isSpace())
            ++from;
        return from;
    };
    auto endPattern = [&] {
        patternPending = false;
        patternDone = true;
        if (skipBlanks(i) >= n) {
            out += QStringLiteral(" ESCAPE ''");
            patternDone = false;
        }
    };
    while (i < n) {
        const QChar c = accessSql.at(i);
        if (patternDone) {
            // The next word decides whether the pattern brought its own escape.
            patternDone = false;
            const qsizetype k = skipBlanks(i);
            if (accessSql.mid(k, 6).compare(QLatin1String("ESCAPE"), Qt::CaseInsensitive) != 0
                || (k + 6 < n && isWordChar(accessSql.at(k + 6))))
                out += QStringLiteral(" ESCAPE ''");
        }
        if (c == QLatin1Char('\'')) {
            const qsizetype end = quotedEnd(accessSql, i);
            out += QStringView(accessSql).mid(i, end - i);
            i = end;
            if (patternPending)
                endPattern();
        } else if (c == QLatin1Char('"')) {
            const qsizetype end = quotedEnd(accessSql, i);
            out += QStringView(accessSql).mid(i, end - i);
            i = end;
            patternPending = false;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++placeholders);
            ++i;
            if (patternPending)
                endPattern();
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = accessSql.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                throw DbError(QStringLiteral("名称没有结束的 ] 号：%1").arg(accessSql.mid(i)));
            out += quoteIdentifier(accessSql.mid(i + 1, close - i - 1));
            i = close + 1;
            patternPending = false;
        } else if (c == QLatin1Char('#')) {
            out += dateLiteral(accessSql, i, &i);
            patternPending = false;
        } else if (c.isDigit()) {
            // A number, or a word that starts with digits: never a name of ours.
            while (i < n && isWordChar(accessSql.at(i)))
                out += accessSql.at(i++);
            patternPending = false;
        } else if (isWordChar(c)) {
            qsizetype j = i;
            while (j < n && isWordChar(accessSql.at(j)))
                ++j;
            const QString word = accessSql.mid(i, j - i);
            if (word.compare(QLatin1String("Like"), Qt::CaseInsensitive) == 0) {
                out += QStringLiteral("ILIKE");
                patternPending = true;
            } else {
                const QString own = spelledAs(ownNames(), word);
                out += own.isEmpty() ? word : quoteIdentifier(own);
                patternPending = false;
            }
            i = j;
        } else {
            if (!c.isSpace())
                patternPending = false;
            out += c;
            ++i;
        }
    }
    if (parameters)
        *parameters = placeholders;
    return out;
}

QString translateSql(const QString &accessSql)
{
    refuseBadText(accessSql);
    if (!accessSql.contains(QLatin1Char('#')))
        return accessSql;

    QString out;
    out.reserve(accessSql.size() + 8);
    const qsizetype n = accessSql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = accessSql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = quotedEnd(accessSql, i);
            out += QStringView(accessSql).mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = accessSql.indexOf(QLatin1Char(']'), i + 1);
            const qsizetype end = close < 0 ? n : close + 1;
            out += QStringView(accessSql).mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('#')) {
            out += dateLiteral(accessSql, i, &i);
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace db
