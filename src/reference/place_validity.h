#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/dates.h"

namespace nerovale::reference {

// A day as the number AAAAMMGG, so that periods compare as numbers.
int DayNumber(const dates::Date& day) noexcept;

// A period in which a name held a code, in one province.
struct NamePeriod {
  std::string code;
  std::string province;
  int from = 0;   // AAAAMMGG
  int until = 0;  // AAAAMMGG; 99991231 while it holds
  bool Holds(int day) const noexcept { return from <= day && day <= until; }
};

// The validity file beside the municipality table (FileValiditaComuni.txt): per line
// "NAME,CODE,PROVINCE,FROM,UNTIL,S|N", the days written AAAA-MM-GG, S marking the name the code is
// shown under (its current name, or the last one of a ceased code).
class PlaceValidity {
 public:
  explicit PlaceValidity(std::string_view file_bytes);

  // The name the code is shown under; "" when the file does not know the code.
  const std::string& ShownName(const std::string& code) const;
  // The periods of a name, every code's, in file order; empty when the file does not know the name.
  const std::vector<NamePeriod>& PeriodsOf(const std::string& name) const;

  // Why the file is no validity file, in Italian, or "".
  const std::string& damage() const noexcept { return damage_; }

 private:
  std::unordered_map<std::string, std::vector<NamePeriod>> periods_by_name_;
  std::unordered_map<std::string, std::string> shown_by_code_;
  std::string damage_;
};

}  // namespace nerovale::reference
