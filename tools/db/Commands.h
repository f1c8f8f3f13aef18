#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>

// The commands of tavorin-db. Each takes the arguments that follow its name
// and returns the exit status: Ok, Failed (a check failed, a file was refused
// or could not be written) or Usage (wrong arguments). Each lives in its own
// <Name>Command.cpp and is listed in main.cpp's table.
namespace Exit {
constexpr int Ok = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
} // namespace Exit

int newCommand(const QStringList &args);
int backupCommand(const QStringList &args);
int checkCommand(const QStringList &args);
int upgradeCommand(const QStringList &args);
int restoreCommand(const QStringList &args);
int resetPasswordCommand(const QStringList &args);
// export PATH --website ID|--catalogue --format csv|xlsx OUT
int exportCommand(const QStringList &args);
// import PATH --website ID [--encoding utf-8|gb18030] FILE.csv
int importCommand(const QStringList &args);
// report PATH --website ID|--all [--from DATE --to DATE] OUT; needs a
// QApplication (main.cpp makes one, offscreen, for this command).
int reportCommand(const QStringList &args);
// migrate SQLITE_PATH postgresql://... [--replace]; self-contained (it also
// serves the server benchmark), with its own messages.
int migrateCommand(const QStringList &args);
// import-access OLD.mdb NEW|postgresql://...: a notebook of the original
// program (Jet/Access) converted, counts checked.
int importAccessCommand(const QStringList &args);
// For tests: called with the target inside the transaction, after the copy
// and before the counts are compared.
namespace db {
class Connection;
}
extern std::function<void(db::Connection &)> migrateBeforeCountCheck;

// Shared by the commands: standard output and error, and the usage message
// of a command (prints "usage: tavorin-db <synopsis>", returns Exit::Usage).
QTextStream &out();
QTextStream &err();
int usage(const QString &command);
// Reports a failure as "tavorin-db: <text>" and returns Exit::Failed.
int failed(const QString &text);
