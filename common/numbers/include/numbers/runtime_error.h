#pragma once

#include <stdexcept>
#include <string>

namespace clickora {

// A run-time error of the program's logic: the kind decides what the user is told, and what()
// names the error ("Overflow", "Type mismatch") so a message box can show it as it is.
enum class ErrorKind { kOverflow, kTypeMismatch };

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  ErrorKind kind() const noexcept { return kind_; }

 private:
  ErrorKind kind_;
};

// "Overflow" or "Type mismatch": the name of the error as the user sees it.
const char* ErrorName(ErrorKind kind) noexcept;

}  // namespace clickora
