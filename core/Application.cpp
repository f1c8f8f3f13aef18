#include "core/Application.h"

#include "core/DatabaseProblems.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const db::DbError &e) {
        MessageBox::show(DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
    }
    return false;
}
