#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/twips.h"

// Small conversions between the window design's notations and the toolkit's, kept apart from the
// widgets so that they can be tested without a display. The notations themselves are read by
// platform/forms.
namespace clickora::platform::qt {

using forms::PixelsToTwips;
using forms::TwipsToPixels;

QString ToQString(std::string_view text);

// The keys of a key string in the runtime's notation ("{F1}", "{ENTER}", "ab"), as Qt key codes;
// each key with the text it types (empty for keys that type nothing).
struct KeyStroke {
  int key = 0;
  QString text;
};
std::vector<KeyStroke> ParseKeyString(std::string_view keys);

// A dialog filter in the design's notation, "description|pattern|description|pattern" with
// patterns separated by ';', as the toolkit's name filters: "description (pattern pattern)".
QStringList DialogNameFilters(std::string_view filter);

// A caption as the toolkit shows it: '&' would mark an access key there, and captions carry none.
QString PlainCaption(std::string_view caption);

// A help-file path as the program builds it ("<folder>\manual.chm") with the system's separator.
std::string NativeHelpPath(std::string_view path);

}  // namespace clickora::platform::qt
