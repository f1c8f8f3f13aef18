#pragma once

#include <QString>

class QWidget;

// Every file the user picks is picked here. In test mode (the same switch as
// MessageBox's) nothing is shown: the next answer comes from setNextPath(),
// an empty text (the dialog cancelled) when none was set.
namespace FileDialog {

// A file to write; filter as QFileDialog takes it, e.g. "CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)".
// selectedFilter, when given, receives the filter the user chose.
QString saveFile(QWidget *parent, const QString &caption, const QString &suggested, const QString &filter,
                 QString *selectedFilter = nullptr);
QString openFile(QWidget *parent, const QString &caption, const QString &filter);
// A folder to write into, starting at `start`.
QString folder(QWidget *parent, const QString &caption, const QString &start);

void setNextPath(const QString &path);
// What the last dialog offered as the file name (tests check the suggestion).
QString lastSuggestion();

} // namespace FileDialog
