#include "core/Application.h"

#include "core/DatabaseProblems.h"
#include "core/Failure.h"
#include "core/MessageBox.h"
#include "core/Program.h"
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
    // Every handler writes through statements that are whole or rolled back,
    // so whatever escapes one leaves nothing half-written: tell the user and
    // go on with the next event.
    try {
        return QApplication::notify(receiver, event);
    } catch (const db::DbError &e) {
        MessageBox::show(DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
    } catch (const Failure &e) {
        MessageBox::show(e.message(), MessageBox::OkOnly, MessageBox::Critical);
    } catch (const Program::Ended &) {
        throw; // a test's stand-in for the end of the process
    } catch (const std::bad_alloc &) {
        MessageBox::show(QStringLiteral("内存不足，这一步没有完成。"), MessageBox::OkOnly, MessageBox::Critical);
    } catch (const std::exception &e) {
        MessageBox::show(QStringLiteral("程序出错，这一步没有完成：%1").arg(QString::fromLocal8Bit(e.what())),
                         MessageBox::OkOnly, MessageBox::Critical);
    } catch (...) {
        MessageBox::show(QStringLiteral("程序出错，这一步没有完成。"), MessageBox::OkOnly, MessageBox::Critical);
    }
    return false;
}
