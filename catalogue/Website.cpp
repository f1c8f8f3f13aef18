#include "catalogue/Website.h"

#include "core/Database.h"
#include "core/NameCompare.h"
#include "core/db/Quote.h"

void Website::clear()
{
    Webid = 0;
    Webname.clear();
    Weburl.clear();
    Webtime = resetDate();
    Webmemos.clear();
}

void Website::load(qint32 id)
{
    Webid = id;
    if (id == 0) {
        clear();
        return;
    }
    const auto rs = Database::query(QStringLiteral("SELECT Webid, Webname, Weburl, Webtime, Webmemos FROM Website WHERE Webid=?"), {id});
    if (rs->eof()) {
        clear();
        return;
    }
    Webid = rs->value(0).toString().trimmed().toInt();
    Webname = rs->value(1).toString().trimmed();
    Weburl = rs->value(2).toString();
    Webtime = rs->value(3).toDate();
    Webmemos = rs->value(4).toString().trimmed();
}

bool Website::exists(const QString &name)
{
    if (!Database::query(QStringLiteral("SELECT Webid FROM Website WHERE Webname=?"), {storedForm(name)})->eof())
        return true;
    // The database folds ASCII letters only; "ＡＢＣ" and "ａｂｃ", "Café" and
    // "CAFÉ" are one name all the same.
    const QString key = NameCompare::key(name.trimmed());
    for (auto rs = Database::query(QStringLiteral("SELECT Webname FROM Website")); !rs->eof(); rs->moveNext())
        if (NameCompare::key(rs->value(0).toString().trimmed()) == key)
            return true;
    return false;
}

bool Website::isStored(qint32 id)
{
    return !Database::query(QStringLiteral("SELECT Webid FROM Website WHERE Webid=?"), {id})->eof();
}

QString Website::storedForm(const QString &name)
{
    // Composed, as the program compares names: a server's unique constraint
    // then sees "Señor" typed either way as one name.
    return name.trimmed().normalized(QString::NormalizationForm_C);
}

void Website::insert()
{
    Database::execute(QStringLiteral("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES (?, ?, ?, ?)"),
                      {storedForm(Webname), Weburl.trimmed(), Webtime, Webmemos.trimmed()});
}

int Website::update(qint32 id)
{
    return Database::execute(QStringLiteral("UPDATE Website SET Webname=?, Weburl=?, Webtime=?, Webmemos=? WHERE Webid=?"),
                             {storedForm(Webname), Weburl.trimmed(), Webtime, Webmemos.trimmed(), id});
}

void Website::remove(qint32 id, const QString &notesTable)
{
    const QString deleteRow = QStringLiteral("DELETE FROM Website WHERE Webid=") + QString::number(id);
    if (notesTable.isEmpty()) {
        Database::execute(deleteRow);
        return;
    }
    // One transaction: no failure leaves a website without its notes, or
    // notes without their website (whose id a file without AUTOINCREMENT
    // would give to the next website).
    Database::executeTogether({deleteRow, QStringLiteral("DROP TABLE ") + db::quoteIdentifier(notesTable)});
}

Website &currentWebsite()
{
    static Website website;
    return website;
}
