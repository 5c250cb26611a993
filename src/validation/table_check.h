#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/subject_table.h"
#include "reference/reference_tables.h"

namespace nerovale::validation {

// The header rules, in the order in which they are listed.
enum class HeaderRule { kNumero, kData, kDataFutura, kSoggetti };

struct HeaderOutcome {
  std::vector<HeaderRule> failed;
  std::string warning;  // empty when nothing failed
  bool ok() const noexcept { return failed.empty(); }
};

// The notice number (1 to 9 characters), the notice date (a real day/month/year, day and month of one
// or two digits, a four-digit year; when today is given, not after it) and at least one subject.
[[nodiscard]] HeaderOutcome ValidateCommunicationHeader(std::string_view numero, std::string_view data, int progressivo,
                                                        std::optional<dates::Date> today = std::nullopt);

// The conditions a row of the table must hold before output, in the order in which they are judged
// (the numbers are those of that order; the pair of dates is two conditions here, 6 and 6b, so that
// a reason can name which of the two failed).
enum class TableCondition {
  kCognome,                         // 1
  kNome,                            // 2
  kSesso,                           // 3
  kDataNascita,                     // 4: year form or date form
  kCodiceNazioneNascita,            // 5
  kDataDecesso,                     // 6: a valid date of three parts
  kDecessoDopoNascita,              // 6b: and after the birth
  kDecessoDopoComunicazione,        // 6c: and not after the notice date (judged only when it is known)
  kCodiceNazioneDecesso,            // 7
  kAttoMorte,                       // 8
  kCodiceComuneAtto,                // 9
  kAnnoProtocollo,                  // 10
  kNumeroProtocollo,                // 11
  kComuneEsteroNascita,             // 12
  kLunghezzaCodiceFiscale,          // 13
  kNomePadre,                       // 14
  kComuneEsteroDecesso,             // 15
  kCodiceFiscaleConAnnoSolo,        // 16
  kComuneItalianoAllEstero,         // 17
  kNatoInItaliaConAnnoSolo,         // 18
  kComuneEsteroInItalia,            // 19
  kComuneDecessoInItalia,           // 20
  kComuneItalianoDecessoAllEstero,  // 21
  kCodiceComuneNascita,             // 22
  kCodiceFiscaleNatoInItalia,       // 23
  kCodiceFiscaleCoerente,           // 24: judged only when every other condition holds
};

// What a condition asks, in plain Italian (the wording of the entry form where the rule is the same).
std::string_view ConditionText(TableCondition condition);

// The conditions one row fails, in order; empty when it passes. A notice reports no death after its
// own date: given that date, a later death date fails.
std::vector<TableCondition> FailedConditions(const SubjectRow& row, const dates::Date& today,
                                             const reference::PlaceCodes& places,
                                             std::optional<dates::Date> notice_date = std::nullopt);
bool SubjectRowPasses(const SubjectRow& row, const dates::Date& today, const reference::PlaceCodes& places);

struct FailedRow {
  int row = 0;
  std::vector<TableCondition> conditions;
};

// Checks every subject row once more before output: the rows that fail, ascending, each with what it
// fails. Every row is judged on its own and the check always reaches the last row.
std::vector<FailedRow> CheckSubjectTable(const SubjectTable& table, const dates::Date& today,
                                         const reference::PlaceCodes& places,
                                         std::optional<dates::Date> notice_date = std::nullopt);
// The rows whose death date is after the notice date, each with that condition alone: the check of a
// table whose rows the entry form checked one by one, without the notice date.
std::vector<FailedRow> DeathsAfterNotice(const SubjectTable& table, const dates::Date& notice_date);
// The numbers of those rows alone.
std::vector<int> ValidateSubjectTable(const SubjectTable& table, const dates::Date& today,
                                      const reference::PlaceCodes& places);

// The texts of a failed row's conditions joined by "; ".
std::string FailedRowReasons(const FailedRow& failed);

// "Sono stati riscontrati errori nei Soggetti alle seguenti righe: 2 , 5".
std::string ReportFailedRows(const std::vector<int>& rows);

}  // namespace nerovale::validation
