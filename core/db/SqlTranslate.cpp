#include "core/db/SqlTranslate.h"

#include "core/DateText.h"
#include "core/db/DbError.h"
#include "core/db/TextCheck.h"

#include <QStringList>

namespace db {

namespace {

// The program's own schema names, created on the server in this spelling.
// The stores write them in several letter cases (webName, Webname), which the
// server would otherwise treat as different names.
const QStringList &ownNames()
{
    static const QStringList names{QStringLiteral("Users"),   QStringLiteral("UserName"), QStringLiteral("UserPwd"),
                                   QStringLiteral("Website"), QStringLiteral("Webid"),    QStringLiteral("Webname"),
                                   QStringLiteral("Weburl"),  QStringLiteral("Webtime"),  QStringLiteral("Webmemos"),
                                   QStringLiteral("AutoId")};
    return names;
}

bool isOwnName(const QString &word)
{
    for (const QString &own : ownNames())
        if (own.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() >= 0x80; }

// Copies a quoted run ('...', "...") starting at i into out; returns the index after it.
qsizetype copyQuoted(const QString &sql, qsizetype i, QString &out)
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
            break;
        }
        ++j;
    }
    const qsizetype stop = j < n ? j + 1 : n;
    out += QStringView(sql).mid(i, stop - i);
    return stop;
}

QString dateLiteral(const QString &sql, qsizetype i, qsizetype *next)
{
    const qsizetype close = sql.indexOf(QLatin1Char('#'), i + 1);
    if (close < 0)
        throw DbError(QStringLiteral("日期没有结束的 # 号：%1").arg(sql.mid(i)));
    const QString text = sql.mid(i + 1, close - i - 1);
    const auto date = DateText::fromText(text);
    if (!date)
        throw DbError(QStringLiteral("无法识别的日期：%1").arg(text.trimmed()));
    *next = close + 1;
    return QLatin1Char('\'') + date->toString(Qt::ISODate) + QLatin1Char('\'');
}

} // namespace

QString serverName(const QString &name)
{
    for (const QString &own : ownNames())
        if (own.compare(name, Qt::CaseInsensitive) == 0)
            return own;
    return name;
}

QString serverIdentifier(const QString &name)
{
    QString quoted = serverName(name);
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

namespace {

// The last guard for text no box refused, on either engine: such a statement
// would be cut short at a NUL or store a lone surrogate as "?".
void refuseBadText(const QString &sql)
{
    if (const QString problem = textProblem(sql); !problem.isEmpty())
        throw DbError(QStringLiteral("文字%1，不能写入数据库，也不能用来查找。请删去这个字符后再试。").arg(problem),
                      DbError::BadText);
}

} // namespace

QString translateServerSql(const QString &accessSql)
{
    refuseBadText(accessSql);
    QString out;
    out.reserve(accessSql.size() + 16);
    const qsizetype n = accessSql.size();
    // Set after Like: the pattern that follows gets ESCAPE '' unless it has its own.
    bool patternPending = false;
    bool patternDone = false;
    qsizetype i = 0;
    auto skipBlanks = [&](qsizetype from) {
        while (from < n && accessSql.at(from).isSpace())
            ++from;
        return from;
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
            i = copyQuoted(accessSql, i, out);
            if (patternPending) {
                patternPending = false;
                patternDone = true;
                if (i >= n)
                    out += QStringLiteral(" ESCAPE ''");
            }
        } else if (c == QLatin1Char('"')) {
            i = copyQuoted(accessSql, i, out);
            patternPending = false;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = accessSql.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                throw DbError(QStringLiteral("名称没有结束的 ] 号：%1").arg(accessSql.mid(i)));
            out += serverIdentifier(accessSql.mid(i + 1, close - i - 1));
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
                out += isOwnName(word) ? serverIdentifier(word) : word;
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
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            // Copy a string literal or a quoted name whole; '' inside a literal is a quote.
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (accessSql.at(j) == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && accessSql.at(j + 1) == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype stop = j < n ? j + 1 : n;
            out += QStringView(accessSql).mid(i, stop - i);
            i = stop;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = accessSql.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0)
                throw DbError(QStringLiteral("日期没有结束的 # 号：%1").arg(accessSql.mid(i)));
            const QString text = accessSql.mid(i + 1, close - i - 1);
            const auto date = DateText::fromText(text);
            if (!date)
                throw DbError(QStringLiteral("无法识别的日期：%1").arg(text.trimmed()));
            out += QLatin1Char('\'') + date->toString(Qt::ISODate) + QLatin1Char('\'');
            i = close + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace db
