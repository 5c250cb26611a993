#include "ui/working_folder.h"

#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/window_texts.h"

namespace nerovale::ui {

bool ClaimWorkingFolder(files::WorkingFolderLock& lock, const std::filesystem::path& folder) {
  if (lock.Take(folder) != files::WorkingFolderLock::Outcome::kHeld) return true;
  Say(nullptr, Icon::kWarning, QtText(std::string(kAlreadyOpen)));
  return false;
}

}  // namespace nerovale::ui
