#include "core/Variable.h"

QString SqlStr;
