#include "core/user_config.h"

#include <array>
#include <functional>

#include "core/system_files.h"
#include "core/text.h"
#include "core/text_file.h"

namespace nerovale {

std::filesystem::path ConfigPath() { return std::filesystem::current_path() / "config.ini"; }

namespace {

// Five lines of a code, two names and two paths: a few hundred bytes. A larger file is no config.ini.
constexpr std::size_t kMaxConfigBytes = 64 * 1024;

}  // namespace

Status ReadConfig(const std::filesystem::path& file, UserConfig& config) {
  const text::Lines read = text::ReadCp1252Lines(file, kMaxConfigBytes);
  if (read.error != 0) {
    return Status::Failure(files::ReadFailureText(file, read.error));
  }
  const auto* lines = &read.lines;
  const std::array<std::reference_wrapper<std::string>, 5> fields = {
      config.CodiceComune, config.CognomeReferente, config.NomeReferente, config.CartellaFileXml,
      config.CartellaImport};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i >= lines->size()) return Status::Failure("Il file " + file.string() + " è incompleto");
    // A control character (a NUL, a lone carriage return) means a damaged file: like a short file,
    // the values before it count and that one never reaches a notice.
    if (text::HasControl((*lines)[i])) {
      return Status::Failure("Il file " + file.string() + " è danneggiato alla riga " + std::to_string(i + 1));
    }
    fields[i].get() = (*lines)[i];
  }
  return Status::Ok();
}

Status WriteConfig(const std::filesystem::path& file, const UserConfig& config) {
  return text::WriteCp1252LinesAtomically(file, {config.CodiceComune, config.CognomeReferente, config.NomeReferente,
                                                 config.CartellaFileXml, config.CartellaImport});
}

}  // namespace nerovale
