#pragma once

#include <QColor>
#include <QPalette>

namespace nerovale::ui {

// The least contrast between a text and its background that the windows allow (WCAG 2.1 AA).
inline constexpr double kLeastContrast = 4.5;

// The contrast of two colours as WCAG measures it: the ratio of their relative luminances, each plus
// 0.05; from 1 (the same colour) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The system's palette with its selection made dark enough for its text where it is not (Qt's own
// light palette has white on a blue of 3.7 to 1); every other colour as the system gives it.
QPalette ReadablePalette(QPalette system);

// For a screen reader and a weak eye, in every window: an editable combo is named by its caption (its
// label's buddy) or its accessible name, and its text is its value, where Qt would give the text as
// its name on Linux; the control that has the focus shows a clear frame, whatever its kind; and the
// application's palette is the readable one. Call once, after the
// QApplication exists and before any window.
void UseAccessibleWindows();

}  // namespace nerovale::ui
