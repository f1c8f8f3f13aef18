#include "core/FileDialog.h"

#include "core/MessageBox.h"

#include <QFileDialog>
#include <QQueue>

namespace FileDialog {

namespace {

QQueue<QString> Answers;
QString Suggestion;

bool answered(QString *path)
{
    if (!MessageBox::testMode())
        return false;
    *path = Answers.isEmpty() ? QString() : Answers.dequeue();
    return true;
}

} // namespace

QString saveFile(QWidget *parent, const QString &caption, const QString &suggested, const QString &filter,
                 QString *selectedFilter)
{
    Suggestion = suggested;
    QString path;
    if (answered(&path))
        return path;
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter, selectedFilter);
}

QString openFile(QWidget *parent, const QString &caption, const QString &filter)
{
    Suggestion.clear();
    QString path;
    if (answered(&path))
        return path;
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString folder(QWidget *parent, const QString &caption, const QString &start)
{
    Suggestion = start;
    QString path;
    if (answered(&path))
        return path;
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

void setNextPath(const QString &path) { Answers.enqueue(path); }

QString lastSuggestion() { return Suggestion; }

} // namespace FileDialog
