#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "platform/form_design.h"

namespace clickora::platform::qt {

// The design's font; without one, the toolkit's default.
QFont MakeFont(const std::optional<FontDesign>& design);

// The design's colour in the palette's terms; nullopt keeps the widget's default.
std::optional<QColor> Resolve(const ColourDesign& colour, const QPalette& palette);

// The design surface: the background picture, unscaled at the top-left corner, and the labels
// over it in back-to-front order. Every other control is a child widget, and so lies above all
// labels.
class FormSurface final : public QWidget {
 public:
  struct Label {
    QRect rect;
    QString text;
    QFont font;
    QColor fore;
    std::optional<QColor> back;  // nullopt: transparent
  };

  using QWidget::QWidget;
  QPixmap background;
  std::vector<Label> labels;  // back to front

  // The painted label of a label's design, placed at rect.
  Label LabelOf(const ControlDesign& control, const QRect& rect) const;

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace clickora::platform::qt
