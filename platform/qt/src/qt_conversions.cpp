#include "qt_conversions.h"

#include <QKeySequence>
#include <cmath>

namespace clickora::platform::qt {

namespace {
constexpr double kTwipsPerInch = 1440.0;
}  // namespace

int TwipsToPixels(int twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / kTwipsPerInch));
}

int PixelsToTwips(int pixels, double dots_per_inch) {
  return static_cast<int>(std::lround(pixels * kTwipsPerInch / dots_per_inch));
}

std::vector<KeyStroke> ParseKeyString(std::string_view keys) {
  struct Named {
    std::string_view name;
    int key;
    const char* text;
  };
  static constexpr Named kNamed[] = {
      {"ENTER", Qt::Key_Return, "\r"}, {"TAB", Qt::Key_Tab, "\t"},
      {"ESC", Qt::Key_Escape, ""},     {"BACKSPACE", Qt::Key_Backspace, ""},
      {"BS", Qt::Key_Backspace, ""},   {"DEL", Qt::Key_Delete, ""},
      {"UP", Qt::Key_Up, ""},          {"DOWN", Qt::Key_Down, ""},
      {"LEFT", Qt::Key_Left, ""},      {"RIGHT", Qt::Key_Right, ""},
      {"HOME", Qt::Key_Home, ""},      {"END", Qt::Key_End, ""},
  };
  std::vector<KeyStroke> strokes;
  const QString text = QString::fromUtf8(keys.data(), static_cast<qsizetype>(keys.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'{') {
      const QChar c = text[i];
      const QKeySequence sequence(QString(c).toUpper());
      strokes.push_back({sequence.isEmpty() ? 0 : sequence[0].key(), QString(c)});
      continue;
    }
    const qsizetype close = text.indexOf(u'}', i + 1);
    if (close < 0) break;
    const std::string name = text.mid(i + 1, close - i - 1).toUpper().toStdString();
    i = close;
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' &&
        name.find_first_not_of("0123456789", 1) == name.npos) {
      const int number = std::stoi(name.substr(1));
      if (number < 1 || number > 16) return strokes;
      strokes.push_back({Qt::Key_F1 + number - 1, QString()});
      continue;
    }
    bool known = false;
    for (const Named& named : kNamed) {
      if (named.name != name) continue;
      strokes.push_back({named.key, QString::fromLatin1(named.text)});
      known = true;
      break;
    }
    if (!known) return strokes;
  }
  return strokes;
}

QStringList DialogNameFilters(std::string_view filter) {
  const QStringList parts =
      QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    filters << parts[i] + QStringLiteral(" (") + patterns.simplified() + u')';
  }
  return filters;
}

QString PlainCaption(std::string_view caption) {
  QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
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
