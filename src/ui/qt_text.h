#pragma once

#include <QColor>
#include <QDate>
#include <QIcon>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <string>

#include "core/dates.h"

namespace nerovale::ui {

// A widget with its control name, as the tests and the other windows find it.
template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// The two sides of the window boundary: UTF-8 inside the program, QString in the widgets.
inline QString QtText(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string Utf8(const QString& text) { return text.toStdString(); }

inline const QColor kWhite{255, 255, 255};
inline const QColor kGrey{225, 225, 225};
inline const QColor kErrorRowColour{255, 192, 192};
inline const QColor kHighlightColour{255, 128, 128};

// The background of a box, kept in its palette so that it can be read back.
inline void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Button, colour);
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
}
inline QColor Background(const QWidget* widget) { return widget->palette().color(QPalette::Base); }

// The small calendar drawn on the picture buttons that open the date picker.
QIcon CalendarIcon();

inline dates::Date Today() {
  const QDate today = QDate::currentDate();
  return *dates::MakeDate(today.day(), today.month(), today.year());
}

}  // namespace nerovale::ui
