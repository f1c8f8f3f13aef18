#pragma once

#include <QString>

// The complete SQL text of the statement a store is about to run. Its value
// between operations means nothing. The shared store objects (LoginUser,
// CurUser, CurWebsite, CurRecord) live beside their classes.
extern QString lastStatement;
