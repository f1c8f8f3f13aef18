#include "tools/db/Commands.h"
#include "tools/db/ServerNotebook.h"

#include "core/Password.h"
#include "core/Schema.h"
#include "core/db/Connection.h"
#include "core/db/ServerEngine.h"

#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {

// One line from standard input; on a terminal the typing is not echoed.
QString readSecretLine(const char *prompt)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        err() << prompt;
        err().flush();
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QByteArray line;
    int c;
    while ((c = std::getchar()) != EOF && c != '\n')
        line.append(char(c));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err() << "\n";
    }
    if (line.endsWith('\r'))
        line.chop(1);
    const QString text = QString::fromUtf8(line);
    line.fill('\0');
    return text;
}

} // namespace

int resetPasswordCommand(const QStringList &args)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("reset-password"));
    const QString path = args[0];
    const QString user = args[1].trimmed();
    const bool server = db::Connection::isServer(path);
    // A server's string is shown only as the database and its server.
    const QString shown = server ? db::server::label(path) : path;
    if (!server && !QFileInfo(path).isFile())
        return failed(QStringLiteral("%1: no such file").arg(path));

    // Passwords are only ever written as hashes: an older file is upgraded
    // first (with its backup), a newer one refused.
    QString error;
    if (!server && Schema::prepare(path, &error) == Schema::Outcome::Failed)
        return failed(error);

    // The same rule as the account dialog: what is stored is the trimmed
    // text, at least 6 and at most 20 characters (the login box's limit).
    const QString password = readSecretLine("New password: ").trimmed();
    if (password.size() < 6 || password.size() > 20)
        return failed(QStringLiteral("%1: the new password must be 6 to 20 characters long (blanks at either end "
                                     "do not count); nothing was changed")
                          .arg(shown));
    if (isatty(STDIN_FILENO) && readSecretLine("Again: ").trimmed() != password)
        return failed(QStringLiteral("%1: the two passwords differ; nothing was changed").arg(shown));

    QString hashed;
    try {
        hashed = Password::hash(password);
    } catch (const std::exception &e) {
        return failed(QStringLiteral("%1: %2").arg(shown, QString::fromUtf8(e.what())));
    }
    if (server)
        return resetPasswordOnServer(path, user, hashed);

    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt *stmt = nullptr;
    int changed = -1;
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        rc = sqlite3_prepare_v2(db, "UPDATE Users SET UserPwd = ?1 WHERE UserName = ?2 COLLATE NOCASE", -1, &stmt,
                                nullptr);
    }
    if (rc == SQLITE_OK) {
        const QByteArray h = hashed.toLatin1(), u = user.toUtf8();
        sqlite3_bind_text(stmt, 1, h.constData(), int(h.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) == SQLITE_DONE)
            changed = sqlite3_changes(db);
    }
    const QString why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    if (changed < 0)
        return failed(QStringLiteral("%1: cannot set the password: %2").arg(path, why));
    if (changed == 0)
        return failed(QStringLiteral("%1: there is no account named \"%2\"; nothing was changed").arg(path, user));
    out() << "The password of " << user << " in " << path << " was changed\n";
    return Exit::Ok;
}
