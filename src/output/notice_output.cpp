#include "output/notice_output.h"

#include <system_error>

#include "output/schema_validation.h"

namespace nerovale::output {

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
  if (!folder.status) return {false, FailureText(folder.status.message()), {}};

  const auto file = folder.path / NoticeFileName(notice.header);
  std::string reason;
  if (const Status saved = SaveNoticeXml(notice, file, progress); !saved) {
    reason = saved.message();
  } else if (const ValidationResult result = ValidateFile(file, progress); !result.valid) {
    reason = result.reason;
  } else {
    return {true, SuccessText(folder.name), file};
  }
  // Only what this step made goes: the file, then the folder if nothing else is in it.
  std::error_code ec;
  std::filesystem::remove(file, ec);
  std::filesystem::remove(folder.path, ec);
  return {false, FailureText(reason), {}};
}

}  // namespace nerovale::output
