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

NoticeFolder NoticeFolderMaker::Create(const std::filesystem::path& directory, const Moment& now) {
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

bool IsNoticeFolderName(std::string_view name) {
  constexpr std::string_view kPrefix = "Nerovale_";
  const auto digits = [](std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!name.starts_with(kPrefix)) return false;
  name.remove_prefix(kPrefix.size());
  if (name.size() < 13 || !digits(name.substr(0, 8)) || name[8] != ',' || !digits(name.substr(9, 4))) return false;
  name.remove_prefix(13);
  return name.empty() || (name.size() > 2 && name.front() == '(' && name.back() == ')' &&
                          digits(name.substr(1, name.size() - 2)));
}

std::vector<std::filesystem::path> RemoveUnfinishedNotices(const std::filesystem::path& directory) {
  std::vector<std::filesystem::path> removed;
  std::error_code error;
  for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const auto& folder = it->path();
    std::error_code kind_error;
    if (!IsNoticeFolderName(folder.filename().string()) || !it->is_directory(kind_error) || it->is_symlink(kind_error)) {
      continue;
    }
    files::FolderLock lock;
    if (!lock.TryLock(folder)) continue;  // an output step at work, or a folder that cannot be opened
    // The notice's own temporary files, and those of its signed file (a signing that was killed).
    const auto notice_file = [](std::string_view base) {
      return base.starts_with("nerovale_") && (base.ends_with(".xml") || base.ends_with(".xml.p7m"));
    };
    for (auto& file : files::RemoveLeftoverTemporaries(folder, notice_file)) removed.push_back(std::move(file));
    std::error_code remove_error;
    if (std::filesystem::is_empty(folder, remove_error) && std::filesystem::remove(folder, remove_error)) {
      removed.push_back(folder);
    }
  }
  if (!removed.empty()) (void)files::SyncFolder(directory);
  return removed;
}

std::string NoticeFileName(const CommunicationHeader& header) {
  const std::string& d = header.data;
  return "nerovale_" + header.numero + "_" + Slice(d, 6, 4) + Slice(d, 3, 2) + Slice(d, 0, 2) + ".xml";
}

}  // namespace nerovale::output
