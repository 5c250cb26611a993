#include "validation/character_sets.h"

#include "core/text.h"

namespace nerovale::validation {

bool InSet(CharSet set, char32_t character) noexcept {
  const auto code = text::Cp1252Code(character);
  if (!code) return false;
  const unsigned char c = *code;
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  const bool accented = c >= 192 && c <= 237;
  const bool digit = c >= '0' && c <= '9';
  switch (set) {
    case CharSet::kSurname: return letter || accented || c == '-' || c == '\'' || c == ' ';
    case CharSet::kName: return letter || accented || c == '\'' || c == ' ';
    case CharSet::kPlace: return letter || accented || c == '.' || c == '-' || c == '\'' || c == ' ';
    case CharSet::kCertificate: return letter || digit || c == '/' || c == '\\';
    case CharSet::kProtocol:
    case CharSet::kCodiceFiscale: return letter || digit;
    case CharSet::kPlaceName: return letter || accented || c == ' ' || c == '\'' || c == '-' || c == '.';
    case CharSet::kDigits: return digit;
    case CharSet::kReferente: return letter || c >= 192 || c == ' ' || c == '\'' || c == '-';
  }
  return false;
}

bool FieldRule::Fits(std::string_view utf8) const {
  return (max_length == 0 || text::Length(utf8) <= max_length) && AllInSet(set, utf8);
}

bool AllInSet(CharSet set, std::string_view utf8) {
  for (char32_t c : text::Decode(utf8)) {
    if (!InSet(set, c)) return false;
  }
  return true;
}

}  // namespace nerovale::validation
