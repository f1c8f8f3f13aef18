#include "core/NotesTables.h"

#include "core/DateText.h"

namespace NotesTables {

QString name(qint32 websiteId) { return QStringLiteral("biji") + QString::number(websiteId); }

std::optional<QVariant> value(const db::ColumnDef &column, const QString &text, QString *problem)
{
    const auto refuse = [problem](const QString &reason) -> std::optional<QVariant> {
        if (problem)
            *problem = reason;
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    switch (column.type) {
    case db::ColumnType::DateTime: {
        if (trimmed.isEmpty() && column.nullable)
            return QVariant();
        const auto date = DateText::fromText(text);
        if (!date)
            return refuse(QStringLiteral("无法识别的日期“%1”").arg(text));
        return QVariant(*date);
    }
    case db::ColumnType::LongInteger: {
        if (trimmed.isEmpty() && column.nullable)
            return QVariant();
        bool ok = false;
        const qint64 n = trimmed.toLongLong(&ok);
        if (!ok)
            return refuse(QStringLiteral("“%1”不是整数").arg(text));
        return QVariant(n);
    }
    case db::ColumnType::Text: {
        const qsizetype length = text.toUcs4().size();
        if (length > column.size)
            return refuse(QStringLiteral("内容有 %1 个字，超过了该字段的长度 %2").arg(length).arg(column.size));
        break;
    }
    case db::ColumnType::Memo:
        break;
    }
    if (text.isEmpty() && column.nullable)
        return QVariant();
    return QVariant(text);
}

} // namespace NotesTables
