#include "reference/code_table.h"

#include <utility>

#include "core/system_files.h"
#include "core/text.h"
#include "core/text_file.h"

namespace nerovale::reference {
namespace {
const std::string kNothing;
}  // namespace

TableRows::TableRows(std::string_view file_bytes) {
  for (std::string_view line : text::SplitLines(file_bytes)) {
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) continue;  // also skips empty lines
    const auto next = line.find(',', comma + 1);
    std::string name = text::Utf8FromCp1252(line.substr(0, comma));
    std::string code =
        text::Utf8FromCp1252(line.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1));
    code_by_name_.try_emplace(name, code);
    name_by_code_.try_emplace(std::move(code), name);
    names_.push_back(std::move(name));
  }
}

const std::string& TableRows::CodeOf(const std::string& name) const {
  const auto found = code_by_name_.find(name);
  if (found == code_by_name_.end() || text::Length(found->second) != 4) return kNothing;
  return found->second;
}

const std::string& TableRows::NameOf(const std::string& code) const {
  const auto found = name_by_code_.find(code);
  return found == name_by_code_.end() ? kNothing : found->second;
}

CodeTable::CodeTable(std::filesystem::path file) : file_(std::move(file)) {}

std::shared_ptr<const TableRows> CodeTable::Current(Status* status) {
  const auto fail = [&](std::string message) -> std::shared_ptr<const TableRows> {
    rows_.reset();
    if (status != nullptr) *status = Status::Failure(std::move(message) + file_.string());
    return nullptr;
  };
  const auto stamp = files::StampOf(file_);
  if (!stamp) return fail("File di riferimento mancante: ");
  if (!rows_ || !(*stamp == stamp_)) {
    const auto bytes = text::ReadBytes(file_);
    if (!bytes) return fail("File di riferimento illeggibile: ");
    rows_ = std::make_shared<const TableRows>(*bytes);
    stamp_ = *stamp;
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
