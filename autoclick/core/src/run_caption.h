#pragma once

#include <string>
#include <string_view>

#include "autoclick/texts.h"
#include "numbers/number_to_text.h"

namespace clickora::autoclick {

// "head  count  tail": Start's caption for a run in progress, finished or stopped.
inline std::string RunCaption(std::string_view head, double clicks_made) {
  return std::string(head) + "  " + numbers::NumberToText(clicks_made) + "  " +
         std::string(texts::kCaptionTail);
}

}  // namespace clickora::autoclick
