#include "qt_conversions.h"

#include <QKeySequence>
#include <array>

#include "platform/forms/dialog_filter.h"
#include "platform/forms/key_string.h"

namespace clickora::platform::qt {
namespace {

struct NamedKeyCode {
  int key;
  const char* text;
};

// The Qt key of each portable key name, in the order of forms::NamedKey.
constexpr std::array<NamedKeyCode, forms::kNamedKeyCount> kNamedKeys = {{
    {Qt::Key_F1, ""},       {Qt::Key_F2, ""},    {Qt::Key_F3, ""},     {Qt::Key_F4, ""},
    {Qt::Key_F5, ""},       {Qt::Key_F6, ""},    {Qt::Key_F7, ""},     {Qt::Key_F8, ""},
    {Qt::Key_F9, ""},       {Qt::Key_F10, ""},   {Qt::Key_F11, ""},    {Qt::Key_F12, ""},
    {Qt::Key_F13, ""},      {Qt::Key_F14, ""},   {Qt::Key_F15, ""},    {Qt::Key_F16, ""},
    {Qt::Key_Return, "\r"}, {Qt::Key_Tab, "\t"}, {Qt::Key_Escape, ""}, {Qt::Key_Backspace, ""},
    {Qt::Key_Delete, ""},   {Qt::Key_Up, ""},    {Qt::Key_Down, ""},   {Qt::Key_Left, ""},
    {Qt::Key_Right, ""},    {Qt::Key_Home, ""},  {Qt::Key_End, ""},
}};
static_assert(kNamedKeys[static_cast<std::size_t>(forms::NamedKey::kEnter)].key == Qt::Key_Return);
static_assert(kNamedKeys[static_cast<std::size_t>(forms::NamedKey::kEnd)].key == Qt::Key_End);

}  // namespace

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<KeyStroke> ParseKeyString(std::string_view keys) {
  std::vector<KeyStroke> strokes;
  for (const forms::KeyStroke& stroke : forms::ParseKeyString(keys)) {
    if (stroke.key) {
      const NamedKeyCode& named = kNamedKeys[static_cast<std::size_t>(*stroke.key)];
      strokes.push_back({named.key, QString::fromLatin1(named.text)});
      continue;
    }
    const char32_t character = stroke.character;
    const QString text = QString::fromUcs4(&character, 1);
    const QKeySequence sequence(text.toUpper());
    strokes.push_back({sequence.isEmpty() ? 0 : sequence[0].key(), text});
  }
  return strokes;
}

QStringList DialogNameFilters(std::string_view filter) {
  QStringList filters;
  for (const forms::DialogFilter& entry : forms::ParseDialogFilter(filter)) {
    QStringList patterns;
    for (const std::string& pattern : entry.patterns) patterns << ToQString(pattern);
    filters << ToQString(entry.description) + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters;
}

QString PlainCaption(std::string_view caption) {
  QString text = ToQString(caption);
  text.replace(u'&', QStringLiteral("&&"));
  return text;
}

std::string NativeHelpPath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

}  // namespace clickora::platform::qt
