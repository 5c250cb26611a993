#include "reference/reference_tables.h"

#include <algorithm>
#include <utility>

#include "core/text.h"

namespace nerovale::reference {
namespace {

const auto kNoRows = std::make_shared<const TableRows>("");
constexpr int kStillHolds = 99991231;

std::vector<std::string> NamesOf(CodeTable& table, Status* status) {
  const auto rows = table.Current(status);
  return rows ? rows->names() : std::vector<std::string>{};
}

}  // namespace

ReferenceSnapshot::ReferenceSnapshot(std::shared_ptr<const TableRows> comuni, std::shared_ptr<const TableRows> stati,
                                     Status status, std::shared_ptr<const PlaceValidity> validity)
    : comuni_(comuni ? std::move(comuni) : kNoRows),
      stati_(stati ? std::move(stati) : kNoRows),
      status_(std::move(status)),
      validity_(std::move(validity)) {}

std::string ReferenceSnapshot::CodComune(std::string_view name) const {
  const std::string upper = text::ToUpper(name);
  const auto& codes = comuni_->CodesOf(upper);
  if (validity_ != nullptr && codes.size() > 1) {
    std::string current;
    for (const NamePeriod& period : validity_->PeriodsOf(upper)) {
      if (period.until != kStillHolds || current == period.code) continue;
      if (!current.empty() || std::find(codes.begin(), codes.end(), period.code) == codes.end()) return codes.front();
      current = period.code;
    }
    if (!current.empty()) return current;
  }
  return codes.empty() ? std::string() : codes.front();
}

std::string ReferenceSnapshot::CodStato(std::string_view name) const { return stati_->CodeOf(text::ToUpper(name)); }

PlaceAtDate ReferenceSnapshot::ComuneAt(const std::string& name, const dates::Date& day) const {
  const auto& codes = comuni_->CodesOf(name);
  if (codes.empty()) return {};
  if (validity_ == nullptr || codes.size() == 1) return {codes.front(), {}};
  const auto& periods = validity_->PeriodsOf(name);
  const int number = DayNumber(day);
  PlaceAtDate at;
  for (const NamePeriod& period : periods) {
    if (!period.Holds(number) || std::find(codes.begin(), codes.end(), period.code) == codes.end()) continue;
    const bool seen = std::any_of(at.candidates.begin(), at.candidates.end(),
                                  [&period](const NamePeriod& c) { return c.code == period.code; });
    if (!seen) at.candidates.push_back(period);
  }
  if (at.candidates.size() == 1) {
    at.code = at.candidates.front().code;
    at.candidates.clear();
  } else if (at.candidates.empty()) {
    at.code = codes.front();
  }
  return at;
}

const std::string& ReferenceSnapshot::DescComune(const std::string& code) const {
  if (validity_ != nullptr) {
    if (const std::string& shown = validity_->ShownName(code); !shown.empty()) return shown;
  }
  return comuni_->NameOf(code);
}

bool ReferenceSnapshot::NameHeldOn(const std::string& name, const std::string& code, const dates::Date& day) const {
  if (validity_ == nullptr) return true;
  const auto& periods = validity_->PeriodsOf(name);
  const int number = DayNumber(day);
  return periods.empty() || std::any_of(periods.begin(), periods.end(), [&](const NamePeriod& period) {
           return period.code == code && period.Holds(number);
         });
}

ReferenceTables::ReferenceTables(const std::filesystem::path& directory)
    : ReferenceTables(directory / "ref" / "FileCodComuni.txt", directory / "ref" / "FileCodStati.txt",
                      directory / "ref" / "FileValiditaComuni.txt") {}

ReferenceTables::ReferenceTables(std::filesystem::path comuni_file, std::filesystem::path stati_file,
                                 std::filesystem::path validity_file)
    : comuni_(std::move(comuni_file)),
      stati_(std::move(stati_file), std::string(kItaly) + "," + std::string(kItalyCode)),
      validity_file_(std::move(validity_file)) {}

Lookup ReferenceTables::FindComune(std::string_view name) {
  Lookup lookup;
  const auto snapshot = Snapshot();
  lookup.status = snapshot.status();
  if (lookup.status) lookup.value = snapshot.CodComune(name);
  return lookup;
}

Lookup ReferenceTables::FindStato(std::string_view name) { return stati_.CodeOf(text::ToUpper(name)); }

Lookup ReferenceTables::DescComune(const std::string& code) {
  Lookup lookup;
  const auto snapshot = Snapshot();
  lookup.status = snapshot.status();
  if (lookup.status) lookup.value = snapshot.DescComune(code);
  return lookup;
}

std::string ReferenceTables::CodComune(std::string_view name) const { return Snapshot().CodComune(name); }

std::string ReferenceTables::CodStato(std::string_view name) const { return stati_.CodeOf(text::ToUpper(name)).value; }

std::shared_ptr<const PlaceValidity> ReferenceTables::CurrentValidity(Status* status) const {
  *status = Status::Ok();
  if (validity_file_.empty()) return nullptr;
  FileRead read = ReadIfChanged(validity_file_, validity_stamp_, validity_ != nullptr);
  if (read.missing) {
    validity_.reset();
    return nullptr;
  }
  if (!read.status) {
    validity_.reset();
    *status = read.status;
    return nullptr;
  }
  if (read.changed) {
    auto validity = std::make_shared<const PlaceValidity>(read.bytes);
    if (!validity->damage().empty()) {
      validity_.reset();
      *status = Status::Failure("File di riferimento danneggiato: " + validity_file_.string() + ": " + validity->damage());
      return nullptr;
    }
    validity_ = std::move(validity);
  }
  return validity_;
}

std::vector<std::string> ReferenceTables::ComuniNames(Status* status) { return NamesOf(comuni_, status); }

std::vector<std::string> ReferenceTables::StatiNames(Status* status) { return NamesOf(stati_, status); }

ReferenceSnapshot ReferenceTables::Snapshot() const {
  Status comuni_status;
  Status stati_status;
  Status validity_status;
  auto comuni = comuni_.Current(&comuni_status);
  auto stati = stati_.Current(&stati_status);
  auto validity = CurrentValidity(&validity_status);
  Status status = !comuni_status ? comuni_status : !stati_status ? stati_status : validity_status;
  return ReferenceSnapshot(std::move(comuni), std::move(stati), std::move(status), std::move(validity));
}

Status ReferenceTables::Check() { return Snapshot().status(); }

}  // namespace nerovale::reference
