#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/status.h"
#include "core/subject_table.h"

namespace nerovale::output {

struct NoticeFolder {
  std::filesystem::path path;  // empty when no folder was created
  std::string name;
  Status status;
};

// Creates the folder of a new notice, "Nerovale_yyyymmdd,hhmm", inside a directory. It remembers,
// for as long as it lives, the minute of the last folder and a counter: a second notice in the same
// minute goes to "...,hhmm(2)", a third to "(3)", and the counter goes on past names that exist
// already. The folder returned is always one that this call created.
class NoticeFolderMaker {
 public:
  NoticeFolder Create(const std::filesystem::path& directory, const Moment& now);

 private:
  std::string minute_;
  int counter_ = 1;
};

// Whether a name is the name of a notice folder: "Nerovale_yyyymmdd,hhmm", maybe with "(n)".
bool IsNoticeFolderName(std::string_view name);

// Removes what an output step killed half way (a kill, a power cut, a crash) left in a directory:
// the temporary notice files ("nerovale_....xml.tmp-" and twelve hexadecimal digits) inside its
// notice folders, then those folders when nothing else is in them. A folder that a living output
// step holds (locked while it works) is left alone, and nothing else is ever touched: not a
// validated notice, not a file of another name. The paths removed.
std::vector<std::filesystem::path> RemoveUnfinishedNotices(const std::filesystem::path& directory);

// "nerovale_" + number + "_" + yyyymmdd + ".xml", the date taken from "dd/mm/yyyy".
std::string NoticeFileName(const CommunicationHeader& header);

}  // namespace nerovale::output
