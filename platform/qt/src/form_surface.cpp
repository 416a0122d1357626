#include "form_surface.h"

#include <QPainter>

#include "qt_conversions.h"

namespace clickora::platform::qt {

QFont MakeFont(const std::optional<FontDesign>& design) {
  QFont font;
  if (!design) return font;
  font.setFamily(QString::fromStdString(design->face));
  font.setPointSizeF(design->points);
  font.setBold(design->bold);
  // A missing face falls back to a sans-serif one rather than to whatever the system matches
  // first; Thai text takes a font with Thai glyphs through the toolkit's script fallback.
  font.setStyleHint(QFont::SansSerif);
  return font;
}

std::optional<QColor> Resolve(const ColourDesign& colour, const QPalette& palette) {
  switch (colour.kind) {
    case ColourDesign::Kind::kRgb:
      return QColor(colour.red, colour.green, colour.blue);
    case ColourDesign::Kind::kHighlightText:
      return palette.color(QPalette::HighlightedText);
    case ColourDesign::Kind::kDefault:
      break;
  }
  return std::nullopt;
}

FormSurface::Label FormSurface::LabelOf(const ControlDesign& control, const QRect& rect) const {
  Label label{rect, ToQString(control.text), MakeFont(control.font),
              palette().color(QPalette::WindowText), std::nullopt};
  if (auto fore = Resolve(control.fore_colour, palette())) label.fore = *fore;
  if (!control.transparent) {
    label.back =
        Resolve(control.back_colour, palette()).value_or(palette().color(QPalette::Window));
  }
  return label;
}

void FormSurface::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.drawPixmap(0, 0, background);
  for (const Label& label : labels) {
    painter.setClipRect(label.rect);
    if (label.back) painter.fillRect(label.rect, *label.back);
    painter.setFont(label.font);
    painter.setPen(label.fore);
    painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label.text);
  }
}

}  // namespace clickora::platform::qt
