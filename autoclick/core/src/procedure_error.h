#pragma once

#include <stdexcept>

namespace clickora::autoclick {

// A failed call on an embedded control, reported like a run-time error; what() says what failed.
class PropertyPutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace clickora::autoclick
