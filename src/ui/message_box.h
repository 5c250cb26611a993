#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace nerovale::ui {

enum class Icon { kNone, kInformation, kWarning, kCritical };

struct MessageRequest {
  Icon icon;
  QString text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button = QMessageBox::Ok;
  QString extra_button = {};  // the caption of the caller's own button, if any
  QString second_extra_button = {};  // a second one, after the first
};

// The answers when the caller's own buttons were pressed.
inline constexpr QMessageBox::StandardButton kExtraButton = QMessageBox::Apply;
inline constexpr QMessageBox::StandardButton kSecondExtraButton = QMessageBox::Ignore;

// Shows a modal message box under the application's title; the answer is the button pressed. A
// caller may add up to two buttons of its own after the standard ones (their captions).
QMessageBox::StandardButton Say(QWidget* parent, Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                QMessageBox::StandardButton default_button = QMessageBox::Ok,
                                const QString& extra_button = {}, const QString& second_extra_button = {});

// The box that Say shows, built but not shown (the manual's pictures show it).
std::unique_ptr<QMessageBox> MessageBoxFor(QWidget* parent, const MessageRequest& request);

// Tests answer message boxes through this hook instead of a modal window; an empty hook shows them.
using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

// The room the icon and the buttons of a title bar take beside the title.
inline constexpr int kTitleBarButtons = 160;
inline const QString kApplicationTitle = QStringLiteral("Nerovale");

}  // namespace nerovale::ui
