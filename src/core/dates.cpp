#include "core/dates.h"

#include <cstdio>

#include "core/text.h"

namespace nerovale::dates {
namespace {

// Digits of a field of min to max characters, or -1.
int Field(std::string_view text, std::size_t min, std::size_t max) noexcept {
  if (text.size() < min || text.size() > max || !text::IsDigits(text)) return -1;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

std::optional<Date> MakeDate(int day, int month, int year) noexcept {
  if (day < 1 || day > 31 || month < 1 || month > 12 || year < 1) return std::nullopt;  // no year 0000
  const Date date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                  std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  return date;
}

std::optional<Date> ParseDayMonthYear(std::string_view text, char separator) noexcept {
  const auto first = text.find(separator);
  if (first == std::string_view::npos) return std::nullopt;
  const auto second = text.find(separator, first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const int day = Field(text.substr(0, first), 1, 2);
  const int month = Field(text.substr(first + 1, second - first - 1), 1, 2);
  const int year = Field(text.substr(second + 1), 4, 4);
  if (day < 0 || month < 0 || year < 0) return std::nullopt;
  return MakeDate(day, month, year);
}

std::optional<Date> ParseMonthYear(std::string_view text) noexcept {
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const int month = Field(text.substr(0, slash), 1, 2);
  const int year = Field(text.substr(slash + 1), 4, 4);
  if (month < 0 || year < 0) return std::nullopt;
  return MakeDate(1, month, year);
}

long LeadingNumber(std::string_view text) noexcept {
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    if (value < 100'000'000'000L) value = value * 10 + (c - '0');
  }
  return value;
}

std::string FormatDdMmYyyy(const Date& date) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02u/%02u/%04d", static_cast<unsigned>(date.day()),
                static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
  return buffer;
}

std::string FormatYyyyMmDd(const Date& date) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02u%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return buffer;
}

}  // namespace nerovale::dates
