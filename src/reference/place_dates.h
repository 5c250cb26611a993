#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/subject_table.h"
#include "reference/reference_tables.h"

// The municipalities of a subject at the days they belong to: a birth place as its name stood on the
// birth date, a death place and the place of the death certificate on the death date.
namespace nerovale::reference {

// The day a birth or death cell stands for: a date as it is, a month and year ("m/aaaa") the first of
// that month, a year alone the first of January; none for anything else.
std::optional<dates::Date> PlaceDay(std::string_view cell);

// A place of a row whose name several codes bore on its day, one to be chosen.
struct PlaceChoice {
  Column name_column = kComuneNascita;
  Column code_column = kCodComuneNascita;
  std::vector<NamePeriod> candidates;
};

// Gives every Italian place of the row the code its name stood for on its day. A place whose name
// several codes bore that day gets an empty code and comes back to be chosen; a place without a day,
// or without a code of the name that day, keeps its first line's code.
std::vector<PlaceChoice> DatePlaces(SubjectRow& row, const ReferenceSnapshot& places);

// A candidate as the operator sees it: its name with its province and, when it did not cover the whole
// time since 1861, its years: "CASTRO (BG)", "ACQUAVIVA (BA, fino al 1863)", "CASTEL (TN, 1928-1952)".
std::string CandidateText(const std::string& name, const NamePeriod& period);

// What is worth a note on a row's places, in Italian, none of it a refusal: a place whose name several
// codes bore on its day (with them), a name that did not stand for its code on that day, and a codice
// fiscale whose place part (its omocodia letters read back) is not the birth place's code.
std::vector<std::string> PlaceNotes(const SubjectRow& row, const ReferenceSnapshot& places);

}  // namespace nerovale::reference
