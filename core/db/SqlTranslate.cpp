#include "core/db/SqlTranslate.h"

#include "core/DateText.h"
#include "core/db/DbError.h"
#include "core/db/TextCheck.h"

namespace db {

QString translateSql(const QString &accessSql)
{
    // The last guard for text no box refused: such a statement would be cut
    // short at a NUL or store a lone surrogate as "?".
    if (const QString problem = textProblem(accessSql); !problem.isEmpty())
        throw DbError(QStringLiteral("文字%1，不能写入数据库，也不能用来查找。请删去这个字符后再试。").arg(problem),
                      DbError::BadText);
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
