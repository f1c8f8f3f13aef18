#pragma once

#include "report/ClientReport.h"

#include <QVector>

class QWidget;

// The client report as the windows offer it: the period and items asked in
// ReportDialog, the file or folder picked by the user (the last folder
// offered again), the outcome told in a message box.
namespace ReportCommands {

// The notes window's 客户报告: one website's report into a file.
void reportForWebsite(QWidget *parent, const report::Website &website);

// 数据 > 生成客户报告…: the current website (id 0: none), or every website
// of the list into a folder, one file each, with a progress dialog and 取消.
void reportFromList(QWidget *parent, const report::Website &current, const QVector<report::Website> &listed,
                    bool searchResult);

} // namespace ReportCommands
