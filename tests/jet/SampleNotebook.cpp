#include "SampleNotebook.h"

#include <QDateTime>
#include <QRandomGenerator>

namespace jetfile {

QVector<Table> sampleNotebook(const SampleSize &size)
{
    QRandomGenerator rng(20);
    // Chinese with Latin runs, so that compressed text switches modes.
    const auto words = [&](int n) {
        QString s;
        while (s.size() < n)
            s += rng.bounded(3) ? QString(QChar(char16_t(0x4E01 + rng.bounded(0x4000)))) : QStringLiteral("seo ");
        return s.left(n);
    };
    const auto date = [&] {
        const int seconds = rng.bounded(2) ? 0 : int(rng.bounded(86400));
        const QDate day(1899 + int(rng.bounded(202)), 1 + int(rng.bounded(12)), 1 + int(rng.bounded(28)));
        return QDateTime(day, QTime(0, 0).addSecs(seconds), Qt::UTC);
    };
    const auto maybe = [&](const QVariant &v) { return rng.bounded(10) ? v : QVariant(); };

    Table users{QStringLiteral("Users"), {{QStringLiteral("UserName"), Text, 50}, {QStringLiteral("UserPwd"), Text, 50}}};
    users.rows = {{QStringLiteral("admin"), QStringLiteral("123456")},
                  {QStringLiteral("张三"), QStringLiteral("秘密mima")},
                  {QStringLiteral("O'Brien"), QStringLiteral("it's 7")}};
    Table websites{QStringLiteral("Website"),
                   {{QStringLiteral("Webid"), Long, 0, true}, {QStringLiteral("Webname"), Text, 50},
                    {QStringLiteral("Weburl"), Text, 255}, {QStringLiteral("Webtime"), DateTime},
                    {QStringLiteral("Webmemos"), Memo}}};
    QVector<Table> notes;
    for (int w = 0; w < size.websites; ++w) {
        const int id = w + 1 + w / 7; // gaps
        websites.rows << QVariantList{id, QStringLiteral("客户网站%1 ◆ %2").arg(id).arg(words(5)),
                                      QStringLiteral("http://www.example%1.cn/").arg(id), maybe(date()), maybe(words(1 + w * 7))};
        if (w % 9 == 3)
            websites.deleted << websites.rows.size() - 1;
        // The last table belongs to no website; some websites have none.
        const bool orphan = notes.size() == size.notesTables - 1;
        if (notes.size() < size.notesTables && (orphan || (w % 7 != 5 && w % 9 != 3)))
            notes << Table{QStringLiteral("biji%1").arg(orphan ? 99999 : id)};
    }
    const QString counts = QStringLiteral("\"收入*/反向*\""); // as Access writes a text default
    for (int t = 0; t < notes.size(); ++t) {
        Table &table = notes[t];
        table.columns = {{QStringLiteral("AutoId"), Long, 0, true},
                         {QStringLiteral("时间"), DateTime},
                         {QStringLiteral("备注"), Memo},
                         {QStringLiteral("百度收入量"), Text, 50, false, counts},
                         {QStringLiteral("谷歌收入量"), Text, 50, false, counts},
                         {QStringLiteral("雅虎收入量"), Text, 50, false, counts},
                         {QStringLiteral("PR"), Text, 10, false, QStringLiteral("0")},
                         {QStringLiteral("◆关键词1"), Text, 50, false, QStringLiteral("百度*/谷歌*")}};
        if (t % 5 == 1)
            table.columns << Column{QStringLiteral("排名"), Long} << Column{QStringLiteral("复查 日期"), DateTime}
                          << Column{QStringLiteral("得分(%)"), Double};
        for (int c = 0; t == 0 && table.columns.size() < 30; ++c)
            table.columns << Column{QStringLiteral("关键词 '%1' ◆").arg(c), Text, 20 + c, false, c % 3 ? QString() : words(3)};
        const int rows = size.observations / notes.size() + (t < size.observations % notes.size() ? 1 : 0);
        for (int r = 0, id = 1; r < rows; ++r, id += 1 + int(rng.bounded(3))) {
            // Mostly short memos; now and then a very long one.
            const int memo = r % 97 == 5 ? 1 + int(rng.bounded(100000)) : 1 + int(rng.bounded(300));
            QVariantList row{id, maybe(date()), maybe(words(memo))};
            for (int c = 3; c < table.columns.size(); ++c) {
                const Column &col = table.columns[c];
                row << maybe(col.type == Long     ? QVariant(int(rng.bounded(1000)) - 500)
                             : col.type == Double ? QVariant(rng.bounded(100000) / 64.0)
                             : col.type == DateTime ? QVariant(date())
                                                    : QVariant(words(1 + int(rng.bounded(quint32(col.size))))));
            }
            table.rows << row;
            if (r % 31 == 7) { // a row deleted later, left in the page
                table.rows << row;
                table.deleted << table.rows.size() - 1;
            }
        }
    }
    Table extra{QStringLiteral("MSysAccessStorage"), {{QStringLiteral("Id"), Long}}, {{1}}, {}, true};
    Table mine{QStringLiteral("我的备份"), {{QStringLiteral("内容"), Memo}}, {{words(20)}}};
    return QVector<Table>{users, websites} + notes + QVector<Table>{extra, mine};
}

} // namespace jetfile
