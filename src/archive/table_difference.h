#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive/table_lines.h"

namespace nerovale::archive {

// A name that both tables hold, with other codes in the new one.
struct CodeChange {
  std::string name;
  std::vector<std::string> before;  // its codes in the order of each table
  std::vector<std::string> after;
};

// What a new table changes for the look-ups, name by name.
struct TableDifference {
  std::vector<TableLine> added;    // lines of the names the old table does not hold
  std::vector<TableLine> removed;  // lines of the names the new table no longer holds
  std::vector<CodeChange> changed;
  bool identical = false;  // the same lines in the same order: there is nothing to write
};

TableDifference CompareTables(const std::vector<TableLine>& before, const std::vector<TableLine>& after);

// The difference for the operator, in Italian: the count of each kind and its first `shown` entries, then
// the lines of the new table that the archive does not give (kept from the old one), so that an office
// sees how much of its table the archive does not speak for.
std::string DescribeDifference(const TableDifference& difference, const std::vector<TableLine>& kept,
                               std::size_t shown);

}  // namespace nerovale::archive
