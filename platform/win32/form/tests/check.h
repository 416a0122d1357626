#pragma once

// The suite's checks are the Windows test programs' shared reporter.
#include "platform/win32/wine_checks.h"
