#pragma once

#include "exchange/TableExport.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// Export as the windows offer it: a file picked by the user, CSV or Excel by
// its suffix (or by the file type chosen when the name has none), the result
// or the failure told in a message box.
namespace ExportCommands {

struct Target {
    QString path;
    exchange::Format format;
};

// Empty when the user cancels.
std::optional<Target> chooseFile(QWidget *parent, const QString &caption, const QString &baseName);

// Runs one export in the background (a progress dialog with 取消 when it
// takes more than a moment) and tells how it went; returns the rows
// written, or -1.
int run(QWidget *parent, const Target &target, const std::function<int(const Target &, exchange::Progress &)> &write);

// 导出: a website's notes table.
void exportNotes(QWidget *parent, const QString &table, const QString &websiteName);

} // namespace ExportCommands
