#include "ui/message_box.h"

#include <QGridLayout>
#include <QPushButton>
#include <QSpacerItem>

#include <utility>

#include "core/stop_signals.h"

namespace nerovale::ui {
namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

std::unique_ptr<QMessageBox> MessageBoxFor(QWidget* parent, const MessageRequest& request) {
  auto box = std::make_unique<QMessageBox>(request.icon == Icon::kCritical      ? QMessageBox::Critical
                                           : request.icon == Icon::kWarning     ? QMessageBox::Warning
                                           : request.icon == Icon::kInformation ? QMessageBox::Information
                                                                                : QMessageBox::NoIcon,
                                           kApplicationTitle, request.text, request.buttons, parent);
  box->setDefaultButton(request.default_button);
  if (!request.extra_button.isEmpty()) box->addButton(request.extra_button, QMessageBox::ActionRole);
  if (!request.second_extra_button.isEmpty()) {
    box->addButton(request.second_extra_button, QMessageBox::ActionRole)->setObjectName("second_extra_button");
  }
  // A short message makes a box narrower than its title, which the window manager then cuts ("N…le"
  // over "Max 9 Cifre"): the box is at least as wide as the title and the buttons of its frame.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    const int width = box->fontMetrics().horizontalAdvance(kApplicationTitle) + kTitleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  return box;
}

QMessageBox::StandardButton Say(QWidget* parent, Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton default_button, const QString& extra_button,
                                const QString& second_extra_button) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const MessageRequest request{icon, shown, buttons, default_button, extra_button, second_extra_button};
  if (Hook()) return Hook()(request);
  // The program is ending on a stop signal: nothing more is asked or shown.
  if (stop::Signal() != 0) return QMessageBox::NoButton;
  const auto box = MessageBoxFor(parent, request);
  const int answer = box->exec();
  if (box->clickedButton() != nullptr && box->buttonRole(box->clickedButton()) == QMessageBox::ActionRole) {
    return box->clickedButton()->objectName() == "second_extra_button" ? kSecondExtraButton : kExtraButton;
  }
  return static_cast<QMessageBox::StandardButton>(answer);
}

}  // namespace nerovale::ui
