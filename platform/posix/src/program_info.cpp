#include <unistd.h>

#include <clocale>
#include <string>
#include <vector>

#include "platform/posix/posix_services.h"

namespace clickora::platform::posix {

std::string ProgramFolder() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      const std::string path(buffer.data(), static_cast<std::size_t>(length));
      const auto slash = path.find_last_of('/');
      return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    // readlink truncates silently: try again with room to spare.
    buffer.resize(buffer.size() * 2);
  }
}

numbers::NumberFormat UserNumberFormat() {
  const std::lconv* conventions = std::localeconv();
  numbers::NumberFormat format;
  const std::string decimal = conventions->decimal_point ? conventions->decimal_point : "";
  format.decimal_separator = decimal.empty() ? "." : decimal;
  format.thousands_separator = conventions->thousands_sep ? conventions->thousands_sep : "";
  return format;
}

}  // namespace clickora::platform::posix
