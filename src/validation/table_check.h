#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/subject_table.h"
#include "reference/reference_tables.h"

namespace nerovale::validation {

// The header rules, in the order in which they are listed.
enum class HeaderRule { kNumero, kData, kSoggetti };

struct HeaderOutcome {
  std::vector<HeaderRule> failed;
  std::string warning;  // empty when nothing failed
  bool ok() const noexcept { return failed.empty(); }
};

// The notice number (1 to 9 characters), the notice date (a real day/month/year, day and month of one
// or two digits, a four-digit year) and at least one subject.
HeaderOutcome ValidateCommunicationHeader(std::string_view numero, std::string_view data, int progressivo);

// Checks every subject row once more before output; the numbers of the rows that fail, ascending.
// Every row is judged on its own and the check always reaches the last row.
std::vector<int> ValidateSubjectTable(const SubjectTable& table, const dates::Date& today,
                                      const reference::PlaceCodes& places);

// Whether one row passes the table-wide check.
bool SubjectRowPasses(const SubjectRow& row, const dates::Date& today, const reference::PlaceCodes& places);

// "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2 , 5".
std::string ReportFailedRows(const std::vector<int>& rows);

}  // namespace nerovale::validation
