#pragma once

#include <QColor>
#include <QDate>
#include <QIcon>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>

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
// A subject that a registered notice already carried.
inline const QColor kRepeatedRowColour{255, 224, 150};
inline const QColor kHighlightColour{255, 128, 128};
inline const QColor kDisabledText{90, 90, 90};  // on the grey of a disabled box: 5.3 to 1

// The background of a box, kept in its palette so that it can be read back. The text on it is black,
// dark grey when the box is disabled, whatever the system's palette (a dark one would make it white).
inline void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Button, colour);
  palette.setColor(QPalette::Window, colour);
  for (QPalette::ColorRole text : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
    palette.setColor(text, Qt::black);
    palette.setColor(QPalette::Disabled, text, kDisabledText);
  }
  widget->setPalette(palette);
}
// A disabled box shown on the system's button face, its text in the button's own text colour: the
// system's grey for disabled text would stand at 1.5 to 1 on it, and the button's colours keep their
// contrast in a light palette and in a dark one alike.
inline void ShowOnButtonFace(QWidget* box) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Active, QPalette::Button));
  palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::ButtonText));
  box->setPalette(palette);
}
inline QColor Background(const QWidget* widget) { return widget->palette().color(QPalette::Base); }

// The name of a picture button for a screen reader: what it is, then the caption of its box without the
// marks of a required field ("Caratteri speciali - Cognome").
inline QString AccessibleNameFor(std::string_view what, QString caption) {
  caption.remove('*');
  return QString::fromUtf8(what.data(), static_cast<qsizetype>(what.size())) + " - " + caption.simplified();
}

// The small calendar drawn on the picture buttons that open the date picker.
QIcon CalendarIcon();

inline dates::Date Today() {
  const QDate today = QDate::currentDate();
  return *dates::MakeDate(today.day(), today.month(), today.year());
}

}  // namespace nerovale::ui
