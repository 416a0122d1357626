#pragma once

#include <string>
#include <string_view>

namespace clickora::platform {

struct FileResult {
  bool ok = true;
  std::string error;  // the system's reason, for a message that names the file
};

// Whole-file text access for settings files. Contents are UTF-8 in memory and in the system's
// 8-bit code page on disk (on POSIX systems: UTF-8 as is).
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual FileResult ReadText(const std::string& path, std::string& contents) = 0;
  // Writes the whole text to a temporary file beside path, then puts it in place of path, so a
  // failing write never leaves a truncated or empty file behind.
  virtual FileResult ReplaceText(const std::string& path, std::string_view contents) = 0;
};

}  // namespace clickora::platform
