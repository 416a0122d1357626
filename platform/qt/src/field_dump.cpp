#include "field_dump.h"

#include <cstdio>

namespace clickora::platform::qt {

void FieldDump::Set(std::string_view name, std::string_view text) {
  if (Put(name, text)) Write();
}

bool FieldDump::Put(std::string_view name, std::string_view text) {
  const auto found = fields_.find(name);
  if (found != fields_.end() && found->second == text) return false;
  fields_[std::string(name)] = std::string(text);
  return true;
}

void FieldDump::Write() const {
  // Written beside the target and renamed over it, so a reader never sees half a dump.
  const std::string temporary = path_ + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return;
  bool ok = true;
  for (const auto& [name, text] : fields_) {
    // One field a line: a text of several lines (a tip) keeps its breaks as "\n".
    std::string line;
    for (const char c : text) {
      if (c == '\n') {
        line += "\\n";
      } else {
        line += c;
      }
    }
    ok = ok && std::fprintf(file, "%s=%s\n", name.c_str(), line.c_str()) >= 0;
  }
  ok = std::fclose(file) == 0 && ok;
  if (ok) std::rename(temporary.c_str(), path_.c_str());
}

}  // namespace clickora::platform::qt
