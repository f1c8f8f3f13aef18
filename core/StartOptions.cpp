// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StartOptions.h"

#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

// The options Qt's application object takes for itself (-style fusion,
// -platform offscreen, -reverse): they are read before it exists, so they
// are set aside here rather than refused.
QStringList withoutQtOptions(const QStringList &arguments)
{
    static const QStringList withValue{"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style",
                                       "-stylesheet", "-qwindowgeometry", "-qwindowtitle", "-qwindowicon", "-display",
                                       "-geometry", "-session", "-name", "-title"};
    static const QStringList flags{"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (i > 0 && withValue.contains(a) && i + 1 < arguments.size())
            ++i;
        else if (i == 0 || !flags.contains(a))
            kept << a;
    }
    return kept;
}

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tavorin: a notebook for search-engine optimisation of client websites."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Open the notebook in <file> (also TAVORIN_DATABASE); it is never created."),
                                      QStringLiteral("file"));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Find the notebook (making it on the first start), the artwork and the "
                                                  "instructions page, print which files are used, and end."));
    parser.addOption(database);
    parser.addOption(check);

    StartOptions options;
    const QString program = arguments.isEmpty() ? QStringLiteral("tavorin") : QFileInfo(arguments.first()).fileName();
    if (!parser.parse(withoutQtOptions(arguments))) {
        options.action = Refuse;
        options.text = program + QStringLiteral(": ") + parser.errorText() + QStringLiteral(" (see --help)");
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.action = Refuse;
        options.text = program + QStringLiteral(": unexpected argument '%1' (see --help)").arg(parser.positionalArguments().first());
        return options;
    }
    if (parser.isSet(help)) {
        options.action = ShowText;
        // Read before the application object exists, the parser cannot know the program's name.
        options.text = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
        return options;
    }
    if (parser.isSet(version)) {
        options.action = ShowText;
        options.text = QStringLiteral("Tavorin %1\n").arg(QStringLiteral(TAVORIN_VERSION));
        return options;
    }
    if (parser.isSet(database)) {
        options.database = parser.value(database);
        if (options.database.isEmpty()) {
            options.action = Refuse;
            options.text = program + QStringLiteral(": --database needs a file name (see --help)");
            return options;
        }
    }
    options.action = parser.isSet(check) ? Check : Run;
    return options;
}

int StartOptions::report() const
{
    if (action == ShowText) {
        QTextStream(stdout) << text;
        return 0;
    }
    QTextStream(stderr) << text << '\n';
    return 2;
}
