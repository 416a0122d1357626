#pragma once

#include <map>
#include <string>
#include <string_view>

namespace clickora::platform::qt {

// Test support only: texts by name, written to a file as "Name=text" lines in name order after
// every change, replacing the file whole, so that a reader never sees half of it.
class FieldDump {
 public:
  explicit FieldDump(std::string path) : path_(std::move(path)) {}

  // Sets the text and writes the file if it changed.
  void Set(std::string_view name, std::string_view text);
  // Sets the text only; true when it changed. Write() then writes the file.
  bool Put(std::string_view name, std::string_view text);
  void Write() const;

 private:
  std::string path_;
  std::map<std::string, std::string, std::less<>> fields_;
};

}  // namespace clickora::platform::qt
