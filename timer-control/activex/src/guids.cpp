// The one definition of the library's GUIDs, which the generated header declares.
#include <ocidl.h>
#include <olectl.h>
// clang-format off
#include <initguid.h>
#include "horolon_h.h"
// clang-format on
