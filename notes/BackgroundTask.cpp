#include "notes/BackgroundTask.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <exception>
#include <memory>

namespace BackgroundTask {

void run(QWidget *parent, const QString &label, exchange::Progress &progress, const std::function<void()> &work)
{
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));

    constexpr int Steps = 1000;
    QProgressDialog dialog(label, QStringLiteral("取消"), 0, Steps, parent);
    dialog.setObjectName(QStringLiteral("progressDialog"));
    dialog.setWindowTitle(QStringLiteral("Tavorin"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    // At its minimum the dialog counts ShowAfterMs from now and then shows.
    dialog.setValue(0);
    dialog.setMinimumDuration(ShowAfterMs);
    // 取消 asks the work to stop; the dialog stays until it has undone its part.
    QObject::disconnect(&dialog, &QProgressDialog::canceled, &dialog, &QProgressDialog::cancel);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&dialog, &progress] {
        progress.cancel = true;
        dialog.setLabelText(QStringLiteral("正在取消，已做的改动会全部撤销…"));
    });
    QTimer tick;
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&dialog, &progress] {
        const qint64 total = progress.total;
        if (total > 0)
            dialog.setValue(int(qMin<qint64>(Steps - 1, progress.done * Steps / total)));
    });

    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    tick.start();
    loop.exec();
    thread->wait();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace BackgroundTask
