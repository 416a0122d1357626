#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace clickora::platform::qt {

// Test support only: when the environment variable CLICKORA_DUMP_FIELDS names a file, the window
// writes the texts of its controls there ("Name=text" lines, in name order) after every change,
// replacing the file whole, so that a test on a virtual display can read what the window shows
// without screen scraping. Without the variable nothing is written.
class FieldDump {
 public:
  static std::unique_ptr<FieldDump> FromEnvironment();
  explicit FieldDump(std::string path) : path_(std::move(path)) {}

  void Set(std::string_view name, std::string_view text);

 private:
  void Write() const;

  std::string path_;
  std::map<std::string, std::string, std::less<>> fields_;
};

}  // namespace clickora::platform::qt
