#include "SampleNotebook.h"

#include <QDateTime>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace jetfile {

QVector<Table> sampleNotebook(const SampleSize &size)
{
    QRandomGenerator rng(20);
    // Chinese with Latin runs, so that compressed text switches modes.
    const auto words = [&](int n) {
        QString s;
        while (s.size() < n)
            s += rng.bounded(3) ? QString(QChar(char16_t(0x4E01 + rng.bounded(0x4000)))) : u"seo "_s;
        return s.left(n);
    };
    const auto date = [&] {
        const int seconds = rng.bounded(2) ? 0 : int(rng.bounded(86400));
        const QDate day(1899 + int(rng.bounded(202)), 1 + int(rng.bounded(12)), 1 + int(rng.bounded(28)));
        return QDateTime(day, QTime(0, 0).addSecs(seconds), Qt::UTC);
    };
    const auto maybe = [&](const QVariant &v) { return rng.bounded(10) ? v : QVariant(); };

    Table users{u"Users"_s, {{u"UserName"_s, Text, 50}, {u"UserPwd"_s, Text, 50}}};
    users.rows = {{u"admin"_s, u"123456"_s}, {u"张三"_s, u"秘密mima"_s}, {u"O'Brien"_s, u"it's 7"_s}};
    Table websites{u"Website"_s, {{u"Webid"_s, Long, 0, true}, {u"Webname"_s, Text, 50}, {u"Weburl"_s, Text, 255},
                                  {u"Webtime"_s, DateTime}, {u"Webmemos"_s, Memo}}};
    QVector<Table> notes;
    for (int w = 0; w < size.websites; ++w) {
        const int id = w + 1 + w / 7; // gaps
        websites.rows << QVariantList{id, u"客户网站%1 ◆ %2"_s.arg(id).arg(words(5)),
                                      u"http://www.example%1.cn/"_s.arg(id), maybe(date()), maybe(words(1 + w * 7))};
        if (w % 9 == 3)
            websites.deleted << websites.rows.size() - 1;
        // The last table belongs to no website; some websites have none.
        const bool orphan = notes.size() == size.notesTables - 1;
        if (notes.size() < size.notesTables && (orphan || (w % 7 != 5 && w % 9 != 3)))
            notes << Table{u"biji%1"_s.arg(orphan ? 99999 : id)};
    }
    const QString counts = u"\"收入*/反向*\""_s; // as Access writes a text default
    for (int t = 0; t < notes.size(); ++t) {
        Table &table = notes[t];
        table.columns = {{u"AutoId"_s, Long, 0, true}, {u"时间"_s, DateTime}, {u"备注"_s, Memo},
                         {u"百度收入量"_s, Text, 50, false, counts}, {u"谷歌收入量"_s, Text, 50, false, counts},
                         {u"雅虎收入量"_s, Text, 50, false, counts}, {u"PR"_s, Text, 10, false, u"0"_s},
                         {u"◆关键词1"_s, Text, 50, false, u"百度*/谷歌*"_s}};
        if (t % 5 == 1)
            table.columns << Column{u"排名"_s, Long} << Column{u"复查 日期"_s, DateTime}
                          << Column{u"得分(%)"_s, Double};
        for (int c = 0; t == 0 && table.columns.size() < 30; ++c)
            table.columns << Column{u"关键词 '%1' ◆"_s.arg(c), Text, 20 + c, false, c % 3 ? QString() : words(3)};
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
    Table extra{u"MSysAccessStorage"_s, {{u"Id"_s, Long}}, {{1}}, {}, true};
    Table mine{u"我的备份"_s, {{u"内容"_s, Memo}}, {{words(20)}}};
    return QVector<Table>{users, websites} + notes + QVector<Table>{extra, mine};
}

} // namespace jetfile
