#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "check.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/desktop_services.h"

namespace {

// "replace PATH TEXT COUNT": saves TEXT, COUNT times over, to PATH as the program's Save does and
// says how it went, for the cases that need the file system prepared from outside Wine
// (test_save_cases.py): symbolic links, a folder that nobody may change, a file size limit.
int Replace(const char* path, const char* text, const char* count) {
  std::string contents;
  for (long i = std::strtol(count, nullptr, 10); i > 0; --i) contents += text;
  const clickora::platform::FileResult result =
      clickora::platform::win32::Win32FileSystem().ReplaceText(path, contents);
  std::printf(result.ok ? "replaced\n" : "refused: %s\n", result.error.c_str());
  return result.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "replace") == 0) return Replace(argv[2], argv[3], argv[4]);
  // The window tests host COM objects on this thread, as the program does.
  const clickora::platform::win32::ComApartment apartment;
  return clickora::testing::RunAll("win32 form tests");
}
