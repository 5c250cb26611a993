#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "output/notice_folder.h"
#include "output/notice_xml.h"
#include "output/schema_validation.h"

namespace nerovale::output {

// What the operator is told after the notice was written and validated, or refused.
struct NoticeOutcome {
  bool valid = false;
  std::string message;            // the success text, or the failure text with its reason
  std::filesystem::path file;     // the notice file, when valid
  NoticeFault fault = NoticeFault::kNone;  // why it failed: the content, the surroundings, a stop
  std::vector<std::filesystem::path> unfinished_removed;  // what killed steps had left in the directory
};

// The output step of one notice. What earlier steps killed half way left in directory goes first
// (RemoveUnfinishedNotices). Then a new notice folder inside directory, locked while the step works;
// the notice is written in it under a temporary name, synced to the disk and validated against its
// schema, and only then given its name, without replacing anything; the folders are synced so that
// the new names last. So a file of the notice's name is always whole and valid: a failure, a stop or
// a kill at any moment leaves at most the temporary file and the folder, which the next step into
// the same directory removes. On failure the file and the folder that this step created are removed
// again (the folder only when it is empty, never anything else); the reason names the file or
// folder and the cause, in Italian, on the lines after the failure text. progress is called now and
// then while the file is written and read back; when it answers false the step stops (kStopped).
NoticeOutcome WriteNotice(const Notice& notice, const std::filesystem::path& directory, const Moment& now,
                          NoticeFolderMaker& folders, const Progress& progress = {});

std::string SuccessText(const std::string& folder_name);
// The notice was written and its schema refused it.
std::string FailureText(const std::string& reason);
// No notice was saved, for a reason other than its content (a folder or file that cannot be made,
// written or read, a schema that cannot be used): nothing was refused.
std::string NotSavedText(const std::string& reason);
// The step was stopped before the notice had its name.
std::string StoppedText();

}  // namespace nerovale::output
