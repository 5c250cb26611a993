#pragma once

#include <string_view>

// The sets of characters that the fields of a subject admit, judged on the Windows-1252 code of
// each character. The entry form's key filters and the validation use the same sets.
namespace nerovale::validation {

enum class CharSet {
  kSurname,      // letters, accented letters (codes 192-237), hyphen, apostrophe, blank
  kName,         // as the surname, without the hyphen
  kPlace,        // as the surname, with the full stop
  kCertificate,  // letters, digits, "/" and "\"
  kProtocol,     // letters and digits
  kPlaceName,    // what a municipality or country combo takes: letters, blank, "'", "-", "."
  kDigits,       // 0-9
  kCodiceFiscale,  // letters and digits
  kReferente,    // the contact person's names: letters, codes 192-255, blank, "'", "-"
};

bool InSet(CharSet set, char32_t character) noexcept;

// True when every character of the UTF-8 text is in the set (an empty text is).
bool AllInSet(CharSet set, std::string_view text);

}  // namespace nerovale::validation
