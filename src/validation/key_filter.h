#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "validation/character_sets.h"

// What each box of the windows lets in as the operator types or pastes.
namespace nerovale::validation {

struct FieldFilter {
  FieldRule field;                     // the set and the limit of the box
  bool upper = false;                  // letters become capitals as they are typed
  std::string_view full_message = {};  // said when a key arrives at a full box; "" refuses silently
  bool any_key_when_full = false;      // the message is for any key, not only for keys of the set
};

enum class KeyVerdict { kAccept, kRefuse, kRefuseWithMessage };

// The fate of one typed character, judged as the box shows it: a box that upper-cases judges the
// capital (ò of an Italian keyboard is let in as Ò), given the length of the box's text that stays
// (without a selection that the key replaces). Backspace is never filtered.
KeyVerdict FilterKey(const FieldFilter& filter, std::size_t length, char32_t key);

// The text as the filter lets it be: upper-cased where asked, characters outside the set dropped, and
// cut at the box's limit. Pasted text goes through this, so nothing reaches a box that typing
// could not put there.
std::string FilterText(const FieldFilter& filter, std::string_view text);

// The boxes of the windows.
namespace filters {
inline constexpr FieldFilter kCognome{fields::kCognome, true, "Max 72 Caratteri"};
inline constexpr FieldFilter kNome{fields::kNome, true, "Max 72 Caratteri"};
inline constexpr FieldFilter kComuneEstero{fields::kComuneEstero, true, "Massimo 60 caratteri"};
inline constexpr FieldFilter kGiornoMese{fields::kGiornoMese};
inline constexpr FieldFilter kAnno{fields::kAnno};
inline constexpr FieldFilter kAnnoProtocollo{fields::kAnnoProtocollo};
inline constexpr FieldFilter kCodiceFiscale{fields::kCodiceFiscale, true};
inline constexpr FieldFilter kAttoMorte{fields::kAttoMorte, true, "Max 9 Caratteri", true};
inline constexpr FieldFilter kNumProtocollo{fields::kNumeroProtocollo, true, "Max 9 Caratteri", true};
inline constexpr FieldFilter kPlaceCombo{fields::kNomeLuogo, true};
inline constexpr FieldFilter kNumeroComunicazione{fields::kNumeroComunicazione, false, "Max 9 Cifre", true};
inline constexpr FieldFilter kReferente{fields::kReferente, true, "Massimo 72 Caratteri"};
}  // namespace filters

}  // namespace nerovale::validation
