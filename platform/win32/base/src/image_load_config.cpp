// The load configuration of tapvane.exe and horolon.ocx. Its one setting that matters here is
// DependentLoadFlags (Windows 10 1607 on): the loader resolves the image's own imports from the
// system folder only, never from the folder the image was started or loaded from.
//
// NOTE: MinGW-w64's runtime (10.x) defines no _load_config_used and its linker has no option for
// these flags, but GNU ld points the image's load-configuration directory at a symbol of this
// name when one is linked in, taking the directory's size from the structure's first field
// (always 64 for a 32-bit GUI image that runs on Windows XP). The header names the field
// Reserved1.
#include <windows.h>

#include <cstddef>

#ifdef _WIN64
static_assert(offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, Reserved1) == 0x4E, "DependentLoadFlags");
#else
// The size that ld gives a 32-bit directory for Windows XP reaches past DependentLoadFlags and
// ends before SEHandlerTable, which stays out of the directory: no table of safe exception
// handlers is claimed.
static_assert(offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, Reserved1) == 0x36, "DependentLoadFlags");
#endif

constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfig() {
  IMAGE_LOAD_CONFIG_DIRECTORY config{};
#ifdef _WIN64
  config.Size = sizeof config;
#else
  config.Size = 64;
#endif
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags
  return config;
}

// ld finds the directory by this name (with the leading underscore of i386 symbols there). The
// loader reads it before any code of the image runs, so it is filled at compile time.
extern "C" {
extern const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used;
__attribute__((used)) constinit const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = LoadConfig();
}
