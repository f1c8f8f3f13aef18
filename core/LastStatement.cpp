#include "core/LastStatement.h"

QString lastStatement;
