#pragma once

#include <cstddef>
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
  kPlaceName,    // what a municipality or country combo takes: letters, accented letters, blank, "'", "-", "."
  kDigits,       // 0-9
  kCodiceFiscale,  // letters and digits
  kReferente,    // the contact person's names: letters, codes 192-255, blank, "'", "-"
};

bool InSet(CharSet set, char32_t character) noexcept;

// True when every character of the UTF-8 text is in the set (an empty text is).
bool AllInSet(CharSet set, std::string_view text);

// What a field holds at most: its character set and its longest length in characters (0: no limit).
struct FieldRule {
  CharSet set;
  std::size_t max_length = 0;

  // At most max_length characters, all of the set; an empty text fits.
  bool Fits(std::string_view utf8) const;
  // Not empty, and fits.
  bool Holds(std::string_view utf8) const { return !utf8.empty() && Fits(utf8); }
};

// Every field, defined once: the key filters of the windows, the rules of one subject, the check of
// the whole table and the tests of the schema all read their limits and sets from here.
namespace fields {
inline constexpr FieldRule kCognome{CharSet::kSurname, 72};
inline constexpr FieldRule kNome{CharSet::kName, 72};  // the given name and the father's name
inline constexpr FieldRule kComuneEstero{CharSet::kPlace, 60};  // the foreign towns of birth and death
inline constexpr FieldRule kAttoMorte{CharSet::kCertificate, 9};
inline constexpr FieldRule kNumeroProtocollo{CharSet::kProtocol, 9};
inline constexpr FieldRule kAnnoProtocollo{CharSet::kDigits, 4};
inline constexpr FieldRule kCodiceFiscale{CharSet::kCodiceFiscale, 16};
inline constexpr FieldRule kGiornoMese{CharSet::kDigits, 2};
inline constexpr FieldRule kAnno{CharSet::kDigits, 4};
inline constexpr FieldRule kNomeLuogo{CharSet::kPlaceName};  // typed into a municipality or country combo
inline constexpr FieldRule kNumeroComunicazione{CharSet::kDigits, 9};
inline constexpr FieldRule kReferente{CharSet::kReferente, 72};  // the contact person's names
}  // namespace fields

}  // namespace nerovale::validation
