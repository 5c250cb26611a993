#include "output/notice_folder.h"

#include <cstdio>
#include <system_error>


#include "core/dates.h"
#include "core/system_files.h"

namespace nerovale::output {
namespace {

std::string Slice(const std::string& text, std::size_t from, std::size_t count) {
  return from < text.size() ? text.substr(from, count) : std::string{};
}

}  // namespace

NoticeFolder NoticeFolderMaker::Create(const std::filesystem::path& directory, const LocalTime& now) {
  char minute[8];
  std::snprintf(minute, sizeof minute, "%02d%02d", now.hour % 100, now.minute % 100);
  if (minute_ != minute) {
    minute_ = minute;
    counter_ = 1;
  }
  const std::string base = "Nerovale_" + dates::FormatYyyyMmDd(now.date) + "," + minute_;
  std::string name = base;
  for (int attempt = 0; attempt < 100000; ++attempt) {
    const auto path = directory / name;
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) return {path, name, Status::Ok()};
    // A name that exists (as a folder or as anything else) is passed over; another failure stops.
    if (error && error != std::errc::file_exists) {
      return {{},
              name,
              Status::Failure("Impossibile creare la cartella " + path.string() + ": " + files::ItalianReason(error))};
    }
    ++counter_;
    name = base + "(" + std::to_string(counter_) + ")";
  }
  return {{}, name, Status::Failure("Impossibile creare la cartella " + (directory / name).string() + ": " +
                                        files::ItalianReason(EEXIST))};
}

std::string NoticeFileName(const CommunicationHeader& header) {
  const std::string& d = header.data;
  return "nerovale_" + header.numero + "_" + Slice(d, 6, 4) + Slice(d, 3, 2) + Slice(d, 0, 2) + ".xml";
}

}  // namespace nerovale::output
