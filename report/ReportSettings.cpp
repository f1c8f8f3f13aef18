#include "report/ReportSettings.h"

#include <QSettings>
#include <QUrl>

namespace report {

namespace {

QString itemsKey(const QString &table)
{
    return QStringLiteral("Settings/ReportItems/") + QString::fromLatin1(QUrl::toPercentEncoding(table.toLower()));
}

} // namespace

Studio studio()
{
    QSettings s(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
    return {s.value(QStringLiteral("Settings/ReportStudio")).toString(),
            s.value(QStringLiteral("Settings/ReportContact")).toString(),
            s.value(QStringLiteral("Settings/ReportLogo")).toByteArray()};
}

void setStudio(const Studio &studio)
{
    QSettings s(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
    s.setValue(QStringLiteral("Settings/ReportStudio"), studio.name);
    s.setValue(QStringLiteral("Settings/ReportContact"), studio.contact);
    if (studio.logo.isEmpty())
        s.remove(QStringLiteral("Settings/ReportLogo"));
    else
        s.setValue(QStringLiteral("Settings/ReportLogo"), studio.logo);
}

QStringList chosenItems(const QString &table, bool *remembered)
{
    QSettings s(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
    const QVariant value = s.value(itemsKey(table));
    if (remembered)
        *remembered = value.isValid();
    // Stored as one line per item: an item's name may hold a comma.
    const QString text = value.toString();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void setChosenItems(const QString &table, const QStringList &items)
{
    QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).setValue(itemsKey(table), items.join(QLatin1Char('\n')));
}

QString lastFolder()
{
    return QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).value(QStringLiteral("Settings/ReportFolder")).toString();
}

void setLastFolder(const QString &folder)
{
    QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).setValue(QStringLiteral("Settings/ReportFolder"), folder);
}

Period lastFullMonth(const QDate &today)
{
    const QDate first(today.year(), today.month(), 1);
    return {first.addMonths(-1), first.addDays(-1)};
}

} // namespace report
