#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/status.h"
#include "core/system_files.h"

namespace nerovale::reference {

// The answer of a lookup: the value ("" when nothing matches), or a failure naming the file.
struct Lookup {
  std::string value;
  Status status;
};

// The rows of one reference file as read at one moment: names in file order, and the first row of
// every name and of every code.
class TableRows {
 public:
  explicit TableRows(std::string_view file_bytes);

  // The code of the first row named name; "" when none is.
  const std::string& CodeOf(const std::string& name) const;
  // The codes of every row named name, in file order.
  const std::vector<std::string>& CodesOf(const std::string& name) const;
  // The name of the first row whose code is code.
  const std::string& NameOf(const std::string& code) const;
  const std::vector<std::string>& names() const noexcept { return names_; }
  // The one name of the table that differs from name only by marks on its letters (FORLI for FORLÌ);
  // "" when no name does, or several different ones do.
  std::string NameLike(std::string_view name) const;

  // Why the file is no table of places, in Italian, or "": it holds a control character (it is
  // not text: a NUL, a stray byte of a binary file), a line whose code is not a letter and three
  // digits (the place part of a codice fiscale: an edit gone wrong, another file), or no line at all.
  const std::string& damage() const noexcept { return damage_; }

 private:
  std::vector<std::string> names_;
  std::string damage_;
  std::unordered_map<std::string, std::vector<std::string>> codes_by_name_;
  std::unordered_map<std::string, std::string> name_by_code_;
  std::unordered_map<std::string, std::string> name_by_folded_;  // "" where several names fold alike
};

// One reference file of "NAME,CODE" lines, held in memory. The file's stamp (identity, size, the
// times of its last changes) is compared at every call, so a file replaced or rewritten on disk
// takes effect at the next call exactly as if it were read again.
// Reads a file of the ref folder when its stamp differs from the one given (the first time, or after
// it changed on disk): true with its bytes and the new stamp; false with the stamp unchanged when it is
// as it was. A file that cannot be read gives a failure naming it, and "missing" tells it is absent.
struct FileRead {
  bool changed = false;
  bool missing = false;
  std::string bytes;
  Status status;
};
FileRead ReadIfChanged(const std::filesystem::path& file, files::FileStamp& stamp, bool have_rows);

class CodeTable {
 public:
  // required: a "NAME,CODE" row that the table cannot do without (ITALIA,Z000 of the countries);
  // a file without it is damaged.
  explicit CodeTable(std::filesystem::path file, std::string required = {});

  // The rows as the file holds them now; null, with a failure naming the file, when it cannot be
  // read, is larger than any table (16 MiB), or is damaged.
  std::shared_ptr<const TableRows> Current(Status* status = nullptr);

  Lookup CodeOf(const std::string& name);
  Lookup NameOf(const std::string& code);

 private:
  std::filesystem::path file_;
  std::string required_;
  files::FileStamp stamp_;
  std::shared_ptr<const TableRows> rows_;
};

}  // namespace nerovale::reference
