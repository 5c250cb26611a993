#include "output/notice_output.h"

#include <system_error>

#include "core/system_files.h"

namespace nerovale::output {
namespace {

NoticeOutcome Failed(NoticeFault fault, const std::string& reason) { return {false, FailureText(reason), {}, fault}; }

std::string SyncFailure(const char* what, const std::filesystem::path& path, std::error_code error) {
  return std::string("Impossibile scrivere ") + what + path.string() + " sul disco: " + files::ItalianReason(error);
}

// Syncs a folder so that the names made in it last; a file system that cannot sync a folder at all
// has nothing more to give and is not a failure.
std::error_code SyncFolder(const std::filesystem::path& folder) {
  const std::error_code error = files::SyncFolder(folder.empty() ? std::filesystem::path(".") : folder);
  return error == std::errc::invalid_argument || error == std::errc::not_supported ? std::error_code{} : error;
}

}  // namespace

std::string SuccessText(const std::string& folder_name) {
  return "XML validato e salvato con successo!\r\nIl file si trova nella directory selezionata dentro la cartella \r\n'" +
         folder_name + "'";
}

std::string FailureText(const std::string& reason) {
  return "ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!\r\n" + reason;
}

NoticeOutcome WriteNotice(const Notice& notice, const std::filesystem::path& directory, const LocalTime& now,
                          NoticeFolderMaker& folders, const Progress& progress) {
  const NoticeFolder folder = folders.Create(directory, now);
  if (!folder.status) return Failed(NoticeFault::kEnvironment, folder.status.message());

  const auto file = folder.path / NoticeFileName(notice.header);
  NoticeFault fault = NoticeFault::kEnvironment;
  std::string reason;
  if (const Status saved = SaveNoticeXml(notice, file, progress); !saved) {
    reason = saved.message();
  } else if (const std::error_code synced = files::SyncFile(file)) {
    // The file is read back from the disk, not from what the system still holds of it.
    reason = SyncFailure("il file ", file, synced);
  } else if (const ValidationResult result = ValidateFile(file, progress); !result.valid) {
    fault = result.fault;
    reason = result.reason;
  } else if (const std::error_code folder_synced = SyncFolder(folder.path)) {
    reason = SyncFailure("la cartella ", folder.path, folder_synced);
  } else if (const std::error_code directory_synced = SyncFolder(directory)) {
    reason = SyncFailure("la cartella ", directory, directory_synced);
  } else {
    return {true, SuccessText(folder.name), file, NoticeFault::kNone};
  }
  // Only what this step made goes: the file, then the folder if nothing else is in it.
  std::error_code ec;
  std::filesystem::remove(file, ec);
  std::filesystem::remove(folder.path, ec);
  return Failed(fault, reason);
}

}  // namespace nerovale::output
