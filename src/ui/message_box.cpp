#include "ui/message_box.h"

#include <utility>

namespace nerovale::ui {
namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

QMessageBox::StandardButton Say(QWidget* parent, Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton default_button) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (Hook()) return Hook()({icon, shown, buttons, default_button});
  QMessageBox box(icon == Icon::kCritical  ? QMessageBox::Critical
                  : icon == Icon::kWarning ? QMessageBox::Warning
                                           : QMessageBox::NoIcon,
                  kApplicationTitle, shown, buttons, parent);
  box.setDefaultButton(default_button);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace nerovale::ui
