#pragma once

#include <QScreen>
#include <QSize>
#include <QWidget>

namespace nerovale::ui {

// The room a window's frame and title bar take around it on a desktop.
inline constexpr QSize kWindowFrame{16, 48};

// The size a window opens at: the size wanted, as far as the screen's free area leaves room for it
// with its frame, and never less than the window needs to show every control.
inline QSize FittedSize(QSize wanted, QSize minimum, QSize available) {
  return wanted.boundedTo(available - kWindowFrame).expandedTo(minimum);
}

inline void OpenFitted(QWidget* window, QSize wanted) {
  const QScreen* screen = window->screen();
  window->resize(screen == nullptr ? wanted
                                   : FittedSize(wanted, window->minimumSizeHint(), screen->availableGeometry().size()));
}

}  // namespace nerovale::ui
