#include "output/notice_output.h"

#include <cerrno>
#include <system_error>

#include "core/system_files.h"

namespace nerovale::output {
namespace {

NoticeOutcome Failed(NoticeFault fault, const std::string& reason) {
  NoticeOutcome outcome;
  outcome.fault = fault;
  outcome.message = fault == NoticeFault::kRefused  ? FailureText(reason)
                    : fault == NoticeFault::kStopped ? StoppedText()
                                                     : NotSavedText(reason);
  return outcome;
}

std::string SyncFailure(const char* what, const std::filesystem::path& path, std::error_code error) {
  return std::string("Impossibile scrivere ") + what + path.string() + " sul disco: " + files::ItalianReason(error);
}

// A new notice folder, locked. Between its making and its lock another run's clean-up may remove it
// (it is empty) and that run may make a folder of the same name: a folder found gone, or not empty
// once locked, is not this step's, and another is made.
NoticeFolder MakeLockedFolder(const std::filesystem::path& directory, const Moment& now, NoticeFolderMaker& folders,
                              files::FolderLock& lock) {
  NoticeFolder folder;
  for (int attempt = 0; attempt < 8; ++attempt) {
    folder = folders.Create(directory, now);
    std::error_code error;
    if (!folder.status || (lock.Lock(folder.path) && std::filesystem::is_empty(folder.path, error))) return folder;
    lock.Unlock();
  }
  folder.status = Status::Failure("Impossibile creare la cartella " + folder.path.string() + ": " +
                                  files::ItalianReason(ENOENT));
  return folder;
}

}  // namespace

std::string SuccessText(const std::string& folder_name) {
  return "XML validato e salvato con successo!\r\nIl file si trova nella directory selezionata dentro la cartella \r\n'" +
         folder_name + "'";
}

std::string FailureText(const std::string& reason) {
  return "ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!\r\n" + reason;
}

std::string NotSavedText(const std::string& reason) {
  return "ATTENZIONE! IL FILE XML NON E' STATO SALVATO!\r\n" + reason;
}

std::string StoppedText() {
  return "La creazione del file XML è stata interrotta: nessun file XML è stato salvato.";
}

NoticeOutcome WriteNotice(const Notice& notice, const std::filesystem::path& directory, const Moment& now,
                          NoticeFolderMaker& folders, const Progress& progress) {
  bool stopped = false;
  const Progress tick = [&] {
    if (!stopped && progress && !progress()) stopped = true;
    return !stopped;
  };
  std::vector<std::filesystem::path> unfinished = RemoveUnfinishedNotices(directory);
  const auto done = [&unfinished](NoticeOutcome outcome) {
    outcome.unfinished_removed = std::move(unfinished);
    return outcome;
  };
  if (!tick()) return done(Failed(NoticeFault::kStopped, {}));

  files::FolderLock lock;
  const NoticeFolder folder = MakeLockedFolder(directory, now, folders, lock);
  if (!folder.status) return done(Failed(NoticeFault::kEnvironment, folder.status.message()));

  const auto file = folder.path / NoticeFileName(notice.header);
  const auto unfinished_file = files::TemporaryNameFor(file);
  NoticeFault fault = NoticeFault::kEnvironment;
  std::string reason;
  bool named = false;
  if (const Status saved = SaveNoticeXml(notice, unfinished_file, tick); !saved) {
    reason = saved.message();
  } else if (const std::error_code synced = files::SyncFile(unfinished_file)) {
    // The file is read back from the disk, not from what the system still holds of it.
    reason = SyncFailure("il file ", unfinished_file, synced);
  } else if (const ValidationResult result = ValidateFile(unfinished_file, tick); !result.valid) {
    fault = result.fault;
    reason = result.reason;
  } else if (!tick()) {
    // The last moment a stop is heard: once the file has its name, the notice is made.
  } else if (const std::error_code renamed = files::RenameWithoutReplacing(unfinished_file, file)) {
    reason = "Impossibile dare al file il nome " + file.string() + ": " + files::ItalianReason(renamed);
  } else if (const std::error_code directory_synced = files::SyncFolder(directory)) {
    named = true;
    reason = SyncFailure("la cartella ", directory, directory_synced);
  } else {
    NoticeOutcome outcome;
    outcome.valid = true;
    outcome.message = SuccessText(folder.name);
    outcome.file = file;
    return done(std::move(outcome));
  }
  if (stopped) fault = NoticeFault::kStopped;
  // Only what this step made goes: the file, then the folder if nothing else is in it.
  std::error_code ec;
  std::filesystem::remove(named ? file : unfinished_file, ec);
  std::filesystem::remove(folder.path, ec);
  return done(Failed(fault, reason));
}

}  // namespace nerovale::output
