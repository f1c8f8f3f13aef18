#include "notes/ReportCommands.h"

#include "core/NotesTables.h"
#include "core/FileDialog.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"
#include "notes/ReportDialog.h"
#include "report/ReportSettings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

namespace ReportCommands {

namespace {

QString startFolder()
{
    const QString last = report::lastFolder();
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void writeOne(QWidget *parent, const report::Website &website, const ReportDialog &dialog)
{
    QString path = FileDialog::saveFile(parent, QStringLiteral("生成客户报告"),
                                        QDir(startFolder()).filePath(report::fileName(website.name, dialog.from(), dialog.to())),
                                        QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    report::setLastFolder(QFileInfo(path).absolutePath());
    const QStringList items = dialog.items();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool written = false;
    try {
        written = report::writePdf(report::readContent(website, dialog.from(), dialog.to(), &items), path, &error);
    } catch (const db::DbError &e) {
        error = e.message();
    }
    QApplication::restoreOverrideCursor();
    if (written)
        MessageBox::show(QStringLiteral("报告已保存：%1").arg(path));
    else
        MessageBox::show(QStringLiteral("无法保存报告 %1：%2").arg(path, error), MessageBox::OkOnly, MessageBox::Exclamation);
}

} // namespace

void reportForWebsite(QWidget *parent, const report::Website &website)
{
    ReportDialog dialog(parent, NotesTables::name(website.id));
    if (dialog.exec() == QDialog::Accepted)
        writeOne(parent, website, dialog);
}

void reportFromList(QWidget *parent, const report::Website &current, const QVector<report::Website> &listed,
                    bool searchResult)
{
    ReportDialog dialog(parent, current.id > 0 ? NotesTables::name(current.id) : QString(), int(listed.size()),
                        searchResult);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!dialog.wholeList()) {
        writeOne(parent, current, dialog);
        return;
    }
    const QString folder = FileDialog::folder(parent, QStringLiteral("保存客户报告的文件夹"), startFolder());
    if (folder.isEmpty())
        return;
    report::setLastFolder(folder);
    QProgressDialog progress(QStringLiteral("正在生成客户报告…"), QStringLiteral("取消"), 0, int(listed.size()), parent);
    progress.setObjectName(QStringLiteral("reportProgress"));
    progress.setWindowTitle(QStringLiteral("生成客户报告"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QStringList failures;
    const QStringList written = report::writeAll(
        listed, dialog.from(), dialog.to(), folder,
        [&](int done, int total) {
            progress.setValue(done);
            if (done < total)
                progress.setLabelText(QStringLiteral("正在生成客户报告（%1 / %2）：%3").arg(done + 1).arg(total).arg(listed[done].name));
            QApplication::processEvents();
            return !progress.wasCanceled();
        },
        &failures);
    const bool cancelled = progress.wasCanceled();
    progress.close();
    QString text = (cancelled ? QStringLiteral("已取消。") : QString())
                   + QStringLiteral("已生成 %1 份报告，保存在 %2").arg(written.size()).arg(folder);
    if (!failures.isEmpty())
        text += QStringLiteral("\n未能生成：\n") + failures.join(QLatin1Char('\n'));
    MessageBox::show(text, MessageBox::OkOnly, failures.isEmpty() ? MessageBox::NoIcon : MessageBox::Exclamation);
}

} // namespace ReportCommands
