#pragma once

#include <QPointer>
#include <QWidget>

#include <utility>

namespace nerovale::ui {

// Opens a window in its slot: the copy left open there closes first, so that there is never more
// than one of a kind, and the slot forgets the window when it is deleted.
template <typename Window, typename... Args>
Window* OpenOnce(QPointer<Window>& slot, Args&&... args) {
  if (slot) slot->close();
  slot = new Window(std::forward<Args>(args)...);
  slot->show();
  return slot;
}

}  // namespace nerovale::ui
