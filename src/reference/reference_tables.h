#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "core/dates.h"
#include "reference/code_table.h"
#include "reference/place_validity.h"

namespace nerovale::reference {

// Italy in the country table: the name the country combos start with and the import gives an empty
// country, and the code that says a subject was born or died in Italy.
inline constexpr std::string_view kItaly = "ITALIA";
inline constexpr std::string_view kItalyCode = "Z000";

// The place codes that the codice fiscale needs, by name. Tests pass small fixtures.
class PlaceCodes {
 public:
  virtual ~PlaceCodes() = default;
  virtual std::string CodComune(std::string_view name) const = 0;
  virtual std::string CodStato(std::string_view name) const = 0;
};

// Both tables as read at one moment. An operation over many rows (an import, the table-wide check)
// takes one snapshot and looks every row up in it: the files are checked once for the operation
// rather than once per lookup, and all its rows see the same tables. A missing file gives empty
// rows and a failure naming it.
// The code a municipality's name stood for on a day (whether the name held it then, NameHeldOn says).
struct PlaceAtDate {
  std::string code;                    // "" when several codes held the name that day, or the name is unknown
  std::vector<NamePeriod> candidates;  // the codes that held it, when several did: one period each
};

class ReferenceSnapshot final : public PlaceCodes {
 public:
  ReferenceSnapshot(std::shared_ptr<const TableRows> comuni, std::shared_ptr<const TableRows> stati, Status status,
                    std::shared_ptr<const PlaceValidity> validity = nullptr);

  // The code of a name: with the validity file, the one code that bears the name today when there is
  // one (BELLAGIO is M335, not the ceased A744); otherwise, and without the file, the first line's.
  std::string CodComune(std::string_view name) const override;
  std::string CodStato(std::string_view name) const override;
  // The code of a name of the table on a day (see PlaceAtDate): the name's only code, the one code whose
  // period holds the day, or, when none does or there is no validity file, the first line's.
  PlaceAtDate ComuneAt(const std::string& name, const dates::Date& day) const;
  // The name a code is shown under: its current name (the last one of a ceased code) when the validity
  // file gives it, otherwise the first line's.
  const std::string& DescComune(const std::string& code) const;
  // Whether the validity file gives the name with the code a period holding the day, or says nothing
  // of the name.
  bool NameHeldOn(const std::string& name, const std::string& code, const dates::Date& day) const;
  bool dated() const noexcept { return validity_ != nullptr; }
  // The one name of the table that differs from the upper-cased name only by marks (see TableRows::NameLike).
  std::string ComuneLike(std::string_view name) const { return comuni_->NameLike(text::ToUpper(name)); }
  std::string StatoLike(std::string_view name) const { return stati_->NameLike(text::ToUpper(name)); }

  const Status& status() const noexcept { return status_; }

 private:
  std::shared_ptr<const TableRows> comuni_;
  std::shared_ptr<const TableRows> stati_;
  Status status_;
  std::shared_ptr<const PlaceValidity> validity_;
};

// The municipality and country tables (FileCodComuni.txt, FileCodStati.txt of the ref folder).
// Every call sees the files as they are on disk at that moment.
class ReferenceTables final : public PlaceCodes {
 public:
  // The tables under the ref folder of a directory (the working directory, normally).
  explicit ReferenceTables(const std::filesystem::path& directory = std::filesystem::current_path());
  // validity_file: the validity of the municipalities' names beside their table; a missing file is
  // no failure (the look-ups then take the first line, as without dates).
  ReferenceTables(std::filesystem::path comuni_file, std::filesystem::path stati_file,
                  std::filesystem::path validity_file = {});

  // Lookups by name upper-case the input and compare it exactly, without trimming.
  Lookup FindComune(std::string_view name);
  Lookup FindStato(std::string_view name);
  // The name a municipality code is shown under (see ReferenceSnapshot::DescComune).
  Lookup DescComune(const std::string& code);
  // Lookups of a name exactly as given, not upper-cased (the combo boxes of the entry form).
  Lookup FindComuneExact(const std::string& name) { return comuni_.CodeOf(name); }
  Lookup FindStatoExact(const std::string& name) { return stati_.CodeOf(name); }
  // The one name that differs from the upper-cased name only by marks, or "" (see TableRows::NameLike).
  std::string ComuneLike(std::string_view name) { return Snapshot().ComuneLike(name); }
  std::string StatoLike(std::string_view name) { return Snapshot().StatoLike(name); }

  std::string CodComune(std::string_view name) const override;
  std::string CodStato(std::string_view name) const override;

  // Every name in file order, duplicates included; empty when the file cannot be read.
  std::vector<std::string> ComuniNames(Status* status = nullptr);
  std::vector<std::string> StatiNames(Status* status = nullptr);

  ReferenceSnapshot Snapshot() const;

  // Whether both tables can be read and the validity file, when there is one; the failure names the
  // first one that cannot.
  Status Check();

 private:
  // The validity file as it is now: null when it is missing (no failure) or cannot be used (a failure).
  std::shared_ptr<const PlaceValidity> CurrentValidity(Status* status) const;

  // Lookups refresh the in-memory rows; to callers they are queries.
  mutable CodeTable comuni_;
  mutable CodeTable stati_;
  std::filesystem::path validity_file_;
  mutable files::FileStamp validity_stamp_;
  mutable std::shared_ptr<const PlaceValidity> validity_;
};

}  // namespace nerovale::reference
