#include "reference/reference_tables.h"

#include <utility>

#include "core/text.h"

namespace nerovale::reference {
namespace {

const auto kNoRows = std::make_shared<const TableRows>("");

std::vector<std::string> NamesOf(CodeTable& table, Status* status) {
  const auto rows = table.Current(status);
  return rows ? rows->names() : std::vector<std::string>{};
}

}  // namespace

ReferenceSnapshot::ReferenceSnapshot(std::shared_ptr<const TableRows> comuni, std::shared_ptr<const TableRows> stati,
                                     Status status)
    : comuni_(comuni ? std::move(comuni) : kNoRows), stati_(stati ? std::move(stati) : kNoRows), status_(std::move(status)) {}

std::string ReferenceSnapshot::CodComune(std::string_view name) const { return comuni_->CodeOf(text::ToUpper(name)); }

std::string ReferenceSnapshot::CodStato(std::string_view name) const { return stati_->CodeOf(text::ToUpper(name)); }

ReferenceTables::ReferenceTables(const std::filesystem::path& directory)
    : ReferenceTables(directory / "ref" / "FileCodComuni.txt", directory / "ref" / "FileCodStati.txt") {}

ReferenceTables::ReferenceTables(std::filesystem::path comuni_file, std::filesystem::path stati_file)
    : comuni_(std::move(comuni_file)), stati_(std::move(stati_file), std::string(kItaly) + "," + std::string(kItalyCode)) {}

Lookup ReferenceTables::FindComune(std::string_view name) { return comuni_.CodeOf(text::ToUpper(name)); }

Lookup ReferenceTables::FindStato(std::string_view name) { return stati_.CodeOf(text::ToUpper(name)); }

Lookup ReferenceTables::DescComune(const std::string& code) { return comuni_.NameOf(code); }

std::string ReferenceTables::CodComune(std::string_view name) const { return comuni_.CodeOf(text::ToUpper(name)).value; }

std::string ReferenceTables::CodStato(std::string_view name) const { return stati_.CodeOf(text::ToUpper(name)).value; }

std::vector<std::string> ReferenceTables::ComuniNames(Status* status) { return NamesOf(comuni_, status); }

std::vector<std::string> ReferenceTables::StatiNames(Status* status) { return NamesOf(stati_, status); }

ReferenceSnapshot ReferenceTables::Snapshot() {
  Status comuni_status;
  Status stati_status;
  auto comuni = comuni_.Current(&comuni_status);
  auto stati = stati_.Current(&stati_status);
  return ReferenceSnapshot(std::move(comuni), std::move(stati), comuni_status ? stati_status : comuni_status);
}

Status ReferenceTables::Check() {
  Status status;
  if (!comuni_.Current(&status)) return status;
  stati_.Current(&status);
  return status;
}

}  // namespace nerovale::reference
