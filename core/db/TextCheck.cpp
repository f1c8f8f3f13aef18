#include "core/db/TextCheck.h"

namespace db {

QString textProblem(const QString &text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0)
            return QStringLiteral("含有空字符（U+0000），这个字符通常是粘贴时带进来的");
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c)) {
            const QString code = QString::number(int(c), 16).toUpper();
            return QStringLiteral("含有无效的 Unicode 字符（不成对的代理项 U+%1），这个字符通常是粘贴时带进来的").arg(code);
        }
    }
    return {};
}

} // namespace db
