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

  // The code of the first row named name; "" when none is, or when that row's code is not 4
  // characters long (the place part of a codice fiscale).
  const std::string& CodeOf(const std::string& name) const;
  // The name of the first row whose code is code.
  const std::string& NameOf(const std::string& code) const;
  const std::vector<std::string>& names() const noexcept { return names_; }

 private:
  std::vector<std::string> names_;
  std::unordered_map<std::string, std::string> code_by_name_;
  std::unordered_map<std::string, std::string> name_by_code_;
};

// One reference file of "NAME,CODE" lines, held in memory. The file's stamp (identity, size, the
// times of its last changes) is compared at every call, so a file replaced or rewritten on disk
// takes effect at the next call exactly as if it were read again.
class CodeTable {
 public:
  explicit CodeTable(std::filesystem::path file);

  // The rows as the file holds them now; null, with a failure naming the file, when it cannot be read.
  std::shared_ptr<const TableRows> Current(Status* status = nullptr);

  Lookup CodeOf(const std::string& name);
  Lookup NameOf(const std::string& code);

 private:
  std::filesystem::path file_;
  files::FileStamp stamp_;
  std::shared_ptr<const TableRows> rows_;
};

}  // namespace nerovale::reference
