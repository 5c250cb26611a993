#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace nerovale::ui {

enum class Icon { kNone, kWarning, kCritical };

struct MessageRequest {
  Icon icon;
  QString text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button;
};

// Shows a modal message box under the application's title; the answer is the button pressed.
QMessageBox::StandardButton Say(QWidget* parent, Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                QMessageBox::StandardButton default_button = QMessageBox::Ok);

// Tests answer message boxes through this hook instead of a modal window; an empty hook shows them.
using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

inline const QString kApplicationTitle = QStringLiteral("Nerovale");

}  // namespace nerovale::ui
