#include "ui/accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace nerovale::ui {
namespace {

double Luminance(const QColor& colour) {
  const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// An editable combo as a screen reader should hear it: "Nazione di Nascita, ITALIA", not "ITALIA".
class NamedCombo final : public QAccessibleWidget {
 public:
  explicit NamedCombo(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}
  QString text(QAccessible::Text t) const override {
    auto* combo = static_cast<QComboBox*>(widget());
    if (t == QAccessible::Value) return combo->currentText();
    if (t == QAccessible::Name && combo->accessibleName().isEmpty()) {
      for (const QLabel* label : combo->window()->findChildren<QLabel*>()) {
        if (label->buddy() == combo) return label->text().remove('&');
      }
    }
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* NamedComboFactory(const QString& class_name, QObject* object) {
  auto* combo = qobject_cast<QComboBox*>(object);
  if (class_name != QLatin1String("QComboBox") || combo == nullptr || !combo->isEditable()) return nullptr;
  return new NamedCombo(combo);
}

// The system's style, with one mark for the control that has the focus, whatever its kind: a frame of
// two pixels in the selection's colour around a button, a box, a combo, an option or a list's current
// entry, where the style alone shows a faint line or a dotted one.
class FocusMarkStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element == PE_FrameFocusRect) {
      // On a selected entry the selection's colour would not show: the entry's text colour instead.
      const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
      const bool on_selection = focus != nullptr && focus->backgroundColor == option->palette.color(QPalette::Highlight);
      Mark(option, painter, option->rect, on_selection ? QPalette::HighlightedText : QPalette::Highlight);
      return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_PanelButtonCommand || element == PE_PanelButtonTool || element == PE_FrameLineEdit) {
      Mark(option, painter, option->rect);
    }
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox || control == CC_ToolButton) Mark(option, painter, option->rect);
  }

 private:
  static void Mark(const QStyleOption* option, QPainter* painter, const QRect& rect,
                   QPalette::ColorRole colour = QPalette::Highlight) {
    if (!(option->state & State_HasFocus) || !(option->state & State_Enabled)) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(option->palette.color(QPalette::Active, colour), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(1, 1, -1, -1));
    painter->restore();
  }
};

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette ReadablePalette(QPalette system) {
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    const QColor text = system.color(group, QPalette::HighlightedText);
    QColor selection = system.color(group, QPalette::Highlight);
    // Darker or lighter, away from the text, until they part enough.
    const bool light_text = Luminance(text) > 0.5;
    for (int step = 0; step < 40 && ContrastRatio(text, selection) < kLeastContrast; ++step) {
      selection = light_text ? selection.darker(110) : selection.lighter(110);
    }
    system.setColor(group, QPalette::Highlight, selection);
  }
  return system;
}

void UseAccessibleWindows() {
  QAccessible::installFactory(NamedComboFactory);
  QApplication::setStyle(new FocusMarkStyle(QStyleFactory::create(QApplication::style()->name())));
  QApplication::setPalette(ReadablePalette(QApplication::palette()));
}

}  // namespace nerovale::ui
