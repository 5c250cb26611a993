#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "validation/character_sets.h"

// What each box of the windows lets in as the operator types or pastes.
namespace nerovale::validation {

struct FieldFilter {
  CharSet set;
  std::size_t max_length = 0;          // 0: no limit
  bool upper = false;                  // letters become capitals as they are typed
  std::string_view full_message = {};  // said when a key arrives at a full box; "" refuses silently
  bool any_key_when_full = false;      // the message is for any key, not only for keys of the set
};

enum class KeyVerdict { kAccept, kRefuse, kRefuseWithMessage };

// The fate of one typed character, judged as typed (the box upper-cases it afterwards: à, code 224,
// is let in and shown as À; ò, code 242, is outside the sets), given the length of the box's text
// before the key. Backspace is never filtered.
KeyVerdict FilterKey(const FieldFilter& filter, std::size_t length, char32_t key);

// The text as the filter lets it be: characters outside the set dropped, the others upper-cased where
// asked, and cut at the box's limit. Pasted text goes through this, so nothing reaches a box that typing
// could not put there.
std::string FilterText(const FieldFilter& filter, std::string_view text);

// The boxes of the windows.
namespace filters {
inline constexpr FieldFilter kCognome{CharSet::kSurname, 72, true, "Max 72 Caratteri"};
inline constexpr FieldFilter kNome{CharSet::kName, 72, true, "Max 72 Caratteri"};
inline constexpr FieldFilter kComuneEstero{CharSet::kPlace, 60, true, "Massimo 60 caratteri"};
inline constexpr FieldFilter kGiornoMese{CharSet::kDigits, 2};
inline constexpr FieldFilter kAnno{CharSet::kDigits, 4};
inline constexpr FieldFilter kCodiceFiscale{CharSet::kCodiceFiscale, 16, true};
inline constexpr FieldFilter kAttoMorte{CharSet::kCertificate, 9, true, "Max 9 Caratteri", true};
inline constexpr FieldFilter kNumProtocollo{CharSet::kProtocol, 9, true, "Max 9 Caratteri", true};
inline constexpr FieldFilter kPlaceCombo{CharSet::kPlaceName, 0, true};
inline constexpr FieldFilter kNumeroComunicazione{CharSet::kDigits, 9, false, "Max 9 Cifre", true};
inline constexpr FieldFilter kReferente{CharSet::kReferente, 72, true, "Massimo 72 Caratteri"};
}  // namespace filters

}  // namespace nerovale::validation
