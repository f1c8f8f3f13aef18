// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DatabaseLocation.h"

#include <QString>

// The steps between launch and the login window that concern the notebook.
namespace Startup {

// What the user is told once, after the program made their notebook.
QString firstRunText(const QString &path);

// Finds the notebook (see DatabaseLocation), makes the per-user one on the
// first start and says where it is, then points the shared connection and the
// resource look-up at it. A named file that is missing, or a per-user one
// that cannot be made, is a message and the end of the program (status 1).
DatabaseLocation openNotebook(const DatabaseLocation &location);

// Which notebook the program works on, for the status bar: the file, and a
// note when it can only be read. Empty before openNotebook().
QString notebookStatus();

} // namespace Startup
