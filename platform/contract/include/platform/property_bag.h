#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace clickora::platform {

// The container's store of an embedded control's saved properties. Values are texts (UTF-8).
// How names are matched is the container's business: tapvane's window keeps them in lower case,
// so a bag must find "Interval" under "interval".
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;

  // Sets value to the saved text of name, or to nullopt when the bag holds no such property.
  // Returns false when the container failed to answer; value is then unspecified.
  virtual bool Read(std::string_view name, std::optional<std::string>& value) = 0;

  // Returns false when the container failed to store the value.
  virtual bool Write(std::string_view name, std::string_view value) = 0;
};

}  // namespace clickora::platform
