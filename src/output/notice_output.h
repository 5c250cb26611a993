#pragma once

#include <filesystem>
#include <string>

#include "output/notice_folder.h"
#include "output/notice_xml.h"
#include "output/schema_validation.h"

namespace nerovale::output {

// What the operator is told after the notice was written and validated, or refused.
struct NoticeOutcome {
  bool valid = false;
  std::string message;            // the success text, or the failure text with its reason
  std::filesystem::path file;     // the notice file, when valid
  NoticeFault fault = NoticeFault::kNone;  // why it failed: the notice's content, or its surroundings
};

// The output step of one notice: a new notice folder inside directory, the notice file in it, synced
// to the disk and validated against its schema, then the folders synced so that the new names last.
// On failure the file and the folder that this step created are removed again (the folder only when
// it is empty, never anything else); the reason names the file or folder and the cause, in Italian,
// on the lines after the failure text. progress is called now and then while the file is written and
// read back.
NoticeOutcome WriteNotice(const Notice& notice, const std::filesystem::path& directory, const LocalTime& now,
                          NoticeFolderMaker& folders, const Progress& progress = {});

std::string SuccessText(const std::string& folder_name);
std::string FailureText(const std::string& reason);

}  // namespace nerovale::output
