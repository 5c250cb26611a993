#pragma once

#include <filesystem>

#include "core/folder_lock.h"

namespace nerovale::ui {

// Takes the working folder for this window. When a window of another process holds it, says so
// ("Nerovale è già aperto in questa cartella.") and answers false: the program then ends, having
// changed no file. A folder where no lock can be made is used all the same.
bool ClaimWorkingFolder(files::WorkingFolderLock& lock, const std::filesystem::path& folder);

}  // namespace nerovale::ui
