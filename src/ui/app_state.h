#pragma once

#include <filesystem>

#include "core/subject_table.h"
#include "core/user_config.h"
#include "output/notice_folder.h"
#include "reference/reference_tables.h"

namespace nerovale::ui {

// What the windows share while the program runs: the table of subjects, the configuration, the
// reference tables and the notice being asked for.
struct AppState {
  explicit AppState(std::filesystem::path directory)
      : working_directory(std::move(directory)), tables(working_directory) {}

  std::filesystem::path working_directory;
  std::filesystem::path ConfigFile() const { return working_directory / "config.ini"; }

  SubjectTable table;
  UserConfig config;
  reference::ReferenceTables tables;
  output::NoticeFolderMaker folders;    // remembers the minute of the last notice folder
  CommunicationHeader header;           // the copies made when the XML file is asked for
  bool importoFile = false;             // the table holds rows of a CSV import
};

}  // namespace nerovale::ui
