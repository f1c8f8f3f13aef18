#pragma once

#include <QString>
#include <QStringList>

namespace exchange {

// The file an export writes. It is written as a hidden partial of this
// process beside the target (".<name>.<pid>-<n>.part", owner-only while it
// is written) and takes the target's name only when whole, so a killed or
// failed export never leaves something that passes for the export. The
// finished file gets the mode the user's umask gives (or that of the file it
// replaces), for CSV and Excel alike.
class ExportFile {
public:
    // Removes the partials that killed exports left in the target's folder,
    // then reserves this export's own. Throws Failure.
    explicit ExportFile(const QString &target);
    ~ExportFile();
    ExportFile(const ExportFile &) = delete;
    ExportFile &operator=(const ExportFile &) = delete;

    const QString &partialPath() const { return m_partial; }
    // Gives the partial the target's name, replacing an older file in one
    // step. Throws Failure.
    void commit();
    // Removes the partial and throws the message for a write that failed
    // with errno `errorNumber` (0: unknown), naming the file and the reason
    // ("磁盘已满" for a full disk).
    [[noreturn]] void fail(const QString &detail, int errorNumber);

private:
    QString m_target;
    QString m_partial;
};

// Partials of exports whose process is gone (and the unnumbered ones of
// older versions) in a folder are removed; returns their paths.
QStringList removeDeadExportParts(const QString &folder);

} // namespace exchange
