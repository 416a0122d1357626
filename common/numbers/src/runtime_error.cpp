#include "numbers/runtime_error.h"

namespace clickora {

const char* ErrorName(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::kOverflow:
      return "Overflow";
    case ErrorKind::kTypeMismatch:
      return "Type mismatch";
  }
  return "Run-time error";
}

}  // namespace clickora
