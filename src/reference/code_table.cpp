#include "reference/code_table.h"

#include <utility>

#include "core/system_files.h"
#include "core/text.h"
#include "core/text_file.h"

namespace nerovale::reference {
namespace {

const std::string kNothing;

// The municipality table holds some 13,000 lines in 230 KB; a file many times larger is no table.
constexpr std::size_t kMaxTableBytes = std::size_t{16} << 20;

bool IsPlaceCode(std::string_view code) {
  return code.size() == 4 && code[0] >= 'A' && code[0] <= 'Z' &&
         code.substr(1).find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

TableRows::TableRows(std::string_view file_bytes) {
  for (const char c : file_bytes) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n') {
      damage_ = "contiene caratteri di controllo, non è un file di testo";
      return;
    }
  }
  int number = 0;
  for (std::string_view line : text::SplitLines(file_bytes)) {
    ++number;
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) continue;  // also skips empty lines
    const auto next = line.find(',', comma + 1);
    std::string name = text::Utf8FromCp1252(line.substr(0, comma));
    std::string code =
        text::Utf8FromCp1252(line.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1));
    if (!IsPlaceCode(code)) {
      damage_ = "la riga " + std::to_string(number) + " ha il codice \"" + text::Excerpt(code) +
                "\", che non è una lettera seguita da tre cifre";
      return;
    }
    codes_by_name_[name].push_back(code);
    if (const auto [it, added] = name_by_folded_.try_emplace(text::FoldMarks(name), name); !added && it->second != name) {
      it->second.clear();
    }
    name_by_code_.try_emplace(std::move(code), name);
    names_.push_back(std::move(name));
  }
  if (names_.empty()) damage_ = "non contiene nessuna riga NOME,CODICE";
}

const std::string& TableRows::CodeOf(const std::string& name) const {
  const auto found = codes_by_name_.find(name);
  return found == codes_by_name_.end() ? kNothing : found->second.front();
}

const std::vector<std::string>& TableRows::CodesOf(const std::string& name) const {
  static const std::vector<std::string> kNone;
  const auto found = codes_by_name_.find(name);
  return found == codes_by_name_.end() ? kNone : found->second;
}

std::string TableRows::NameLike(std::string_view name) const {
  const auto found = name_by_folded_.find(text::FoldMarks(name));
  return found == name_by_folded_.end() ? std::string() : found->second;
}

const std::string& TableRows::NameOf(const std::string& code) const {
  const auto found = name_by_code_.find(code);
  return found == name_by_code_.end() ? kNothing : found->second;
}

CodeTable::CodeTable(std::filesystem::path file, std::string required)
    : file_(std::move(file)), required_(std::move(required)) {}

FileRead ReadIfChanged(const std::filesystem::path& file, files::FileStamp& stamp, bool have_rows) {
  FileRead read;
  const auto now = files::StampOf(file);
  if (!now) {
    std::error_code error;
    read.missing = !std::filesystem::exists(file, error);
    read.status = Status::Failure(
        read.missing ? "File di riferimento mancante: " + file.string()
                     : "File di riferimento illeggibile: " + file.string() + ": " +
                           files::ItalianReason(std::filesystem::is_directory(file, error) ? EISDIR : files::kNotRegularFile));
    return read;
  }
  if (have_rows && *now == stamp) return read;
  if (const int error = files::ReadWholeFile(file, kMaxTableBytes, read.bytes); error != 0) {
    read.status = Status::Failure("File di riferimento illeggibile: " + file.string() + ": " + files::ItalianReason(error));
    return read;
  }
  read.changed = true;
  stamp = *now;
  return read;
}

std::shared_ptr<const TableRows> CodeTable::Current(Status* status) {
  const auto fail = [&](std::string message) -> std::shared_ptr<const TableRows> {
    rows_.reset();
    if (status != nullptr) *status = Status::Failure(std::move(message));
    return nullptr;
  };
  FileRead read = ReadIfChanged(file_, stamp_, rows_ != nullptr);
  if (!read.status) return fail(read.status.message());
  if (read.changed) {
    auto rows = std::make_shared<const TableRows>(read.bytes);
    std::string damage = rows->damage();
    if (const auto comma = required_.find(','); damage.empty() && comma != std::string::npos &&
                                                rows->CodeOf(required_.substr(0, comma)) != required_.substr(comma + 1)) {
      damage = "manca la riga " + required_;
    }
    if (!damage.empty()) return fail("File di riferimento danneggiato: " + file_.string() + ": " + damage);
    rows_ = std::move(rows);
  }
  if (status != nullptr) *status = Status::Ok();
  return rows_;
}

Lookup CodeTable::CodeOf(const std::string& name) {
  Lookup lookup;
  if (const auto rows = Current(&lookup.status)) lookup.value = rows->CodeOf(name);
  return lookup;
}

Lookup CodeTable::NameOf(const std::string& code) {
  Lookup lookup;
  if (const auto rows = Current(&lookup.status)) lookup.value = rows->NameOf(code);
  return lookup;
}

}  // namespace nerovale::reference
