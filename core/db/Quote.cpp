#include "core/db/Quote.h"

namespace db {

namespace {

QString quoted(const QString &text, QChar quote)
{
    QString out;
    out.reserve(text.size() + 2);
    out += quote;
    for (const QChar c : text) {
        if (c == quote)
            out += quote;
        out += c;
    }
    out += quote;
    return out;
}

} // namespace

QString quoteIdentifier(const QString &name) { return quoted(name, QLatin1Char('"')); }

QString quoteText(const QString &text) { return quoted(text, QLatin1Char('\'')); }

QString nameLengthProblem(const QString &name)
{
    const qsizetype bytes = name.toUtf8().size();
    if (bytes <= MaxNameBytes)
        return {};
    return QStringLiteral("名称“%1”太长：有 %2 个字节，数据库最多只能保存 %3 个字节（约 21 个汉字）。请缩短后再试。")
        .arg(name)
        .arg(bytes)
        .arg(MaxNameBytes);
}

} // namespace db
