#include "validation/key_filter.h"

#include "core/text.h"

namespace nerovale::validation {

KeyVerdict FilterKey(const FieldFilter& filter, std::size_t length, char32_t key) {
  const bool in_set = InSet(filter.field.set, filter.upper ? text::ToUpper(key) : key);
  const bool full = filter.field.max_length != 0 && length >= filter.field.max_length;
  if (!full) return in_set ? KeyVerdict::kAccept : KeyVerdict::kRefuse;
  const bool speaks = !filter.full_message.empty() && (in_set || filter.any_key_when_full);
  return speaks ? KeyVerdict::kRefuseWithMessage : KeyVerdict::kRefuse;
}

std::string FilterText(const FieldFilter& filter, std::string_view utf8) {
  std::u32string kept;
  for (char32_t c : text::Decode(utf8)) {
    if (filter.field.max_length != 0 && kept.size() >= filter.field.max_length) break;
    const char32_t shown = filter.upper ? text::ToUpper(c) : c;
    if (InSet(filter.field.set, shown)) kept.push_back(shown);
  }
  return text::Encode(kept);
}

}  // namespace nerovale::validation
