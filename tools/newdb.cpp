// tavorin-newdb [PATH]: makes a new program database (default data/mybook.mdb)
// with the first account. An existing file is never overwritten.
#include "core/NewDatabase.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() > 1 || (args.size() == 1 && args[0].startsWith(QLatin1Char('-')))) {
        err << "usage: tavorin-newdb [PATH]   (default data/mybook.mdb)\n";
        return 2;
    }
    const QString path = args.value(0, QStringLiteral("data/mybook.mdb"));
    QString error;
    if (!NewDatabase::create(path, &error)) {
        err << "tavorin-newdb: " << error << "\n";
        return 1;
    }
    out << "Created " << path << ". First login: user " << NewDatabase::FirstUser << ", password "
        << NewDatabase::FirstPassword << "\n";
    return 0;
}
