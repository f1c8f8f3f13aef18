#include "core/Application.h"

#include "core/DatabaseProblems.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"

#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

Application::Application(int &argc, char **argv) : QApplication(argc, argv) { loadQtTranslations(); }

bool Application::loadQtTranslations()
{
    // Owned by the application object; gone with it.
    static QPointer<QTranslator> translator;
    if (translator)
        return true;
    auto *loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const db::DbError &e) {
        MessageBox::show(DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
    }
    return false;
}
