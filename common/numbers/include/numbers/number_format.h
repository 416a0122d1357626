#pragma once

#include <string>

namespace clickora::numbers {

// The user's number settings, as the platform reports them. Separators are UTF-8 texts of one
// character (a non-breaking space is a common thousands separator).
struct NumberFormat {
  std::string decimal_separator = ".";
  std::string thousands_separator = ",";
};

}  // namespace clickora::numbers
