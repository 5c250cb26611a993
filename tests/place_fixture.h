#pragma once

#include <map>
#include <string>
#include <string_view>

#include "core/text.h"
#include "reference/reference_tables.h"

namespace nerovale::testing {

// A handful of places, looked up as the reference tables do (upper-cased name, exact match).
class FixturePlaces final : public reference::PlaceCodes {
 public:
  std::string CodComune(std::string_view name) const override { return Find(comuni, name); }
  std::string CodStato(std::string_view name) const override { return Find(stati, name); }

  std::map<std::string, std::string> comuni{{"ROMA", "H501"}, {"MILANO", "F205"}, {"FORLÌ", "D704"}};
  std::map<std::string, std::string> stati{{"ITALIA", "Z000"}, {"FRANCIA", "Z110"}, {"GERMANIA", "Z112"}};

 private:
  static std::string Find(const std::map<std::string, std::string>& table, std::string_view name) {
    const auto found = table.find(text::ToUpper(name));
    return found == table.end() ? "" : found->second;
  }
};

}  // namespace nerovale::testing
