#include "core/clock.h"

#include <chrono>
#include <ctime>

namespace nerovale {

Moment LocalClock::Now() const {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  ::localtime_r(&now, &local);
  const auto date = dates::MakeDate(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
  return {date.value_or(dates::ZeroDate()), local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace nerovale
