#pragma once

#include <filesystem>
#include <string>

#include "output/notice_folder.h"
#include "output/notice_xml.h"

namespace nerovale::output {

// What the operator is told after the notice was written and validated, or refused.
struct NoticeOutcome {
  bool valid = false;
  std::string message;            // the success text, or the failure text with its reason
  std::filesystem::path file;     // the notice file, when valid
};

// The output step of one notice: a new notice folder inside directory, the notice file in it, and
// the validation of the saved file against its schema. On failure the file and the folder that this
// step created are removed again (the folder only when it is empty, never anything else). progress
// is called now and then while the file is written and read back.
NoticeOutcome WriteNotice(const Notice& notice, const std::filesystem::path& directory, const LocalTime& now,
                          NoticeFolderMaker& folders, const Progress& progress = {});

std::string SuccessText(const std::string& folder_name);
std::string FailureText(const std::string& reason);

}  // namespace nerovale::output
