#include "core/ServerWaitDialog.h"

#include "core/db/ServerEngine.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ServerWaitDialog {

void showWhileWaiting(db::server::Wait &wait)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("ServerWait"));
    dialog.setWindowTitle(QStringLiteral("Tavorin"));
    dialog.setModal(true);
    auto *label = new QLabel(QStringLiteral("正在等待数据库服务器……\n另一位同事的操作可能正锁着这些数据。"), &dialog);
    label->setObjectName(QStringLiteral("WaitText"));
    auto *cancel = new QPushButton(QStringLiteral("取消"), &dialog);
    cancel->setObjectName(QStringLiteral("Cmd_Cancel"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    const auto askToStop = [&] {
        wait.cancel();
        label->setText(QStringLiteral("正在取消……"));
        cancel->setEnabled(false);
    };
    QObject::connect(cancel, &QPushButton::clicked, &dialog, askToStop);
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (wait.finished(0))
            dialog.accept();
    });
    poll.start();
    // Closing the dialog (Esc, the window's close button) cancels too; it
    // stays until the server has answered or been given up on.
    while (dialog.exec() != QDialog::Accepted && !wait.finished(0))
        askToStop();
}

void install()
{
    static bool installed = false;
    if (installed || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    installed = true;
    db::server::setWaitHandler(showWhileWaiting);
}

} // namespace ServerWaitDialog
