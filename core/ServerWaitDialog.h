#pragma once

// The wait dialog for a team server: when a command takes longer than a
// moment (another worker's lock, a busy or frozen server), a modal dialog
// says so and offers 取消, which asks the server to stop the command.
namespace db::server {
class Wait;
}

namespace ServerWaitDialog {

// The handler: a modal dialog until the server answers.
void showWhileWaiting(db::server::Wait &wait);

// Installs the dialog as the engine's wait handler (once; only where there
// are windows: a command-line tool simply waits).
void install();

} // namespace ServerWaitDialog
