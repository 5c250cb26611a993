#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Calendar dates as the program reads and writes them.
namespace nerovale::dates {

using Date = std::chrono::year_month_day;

// The date that stands for "no date": 30 December 1899.
constexpr Date ZeroDate() noexcept { return Date{std::chrono::year{1899}, std::chrono::month{12}, std::chrono::day{30}}; }

// The date of day, month and year when it exists in the Gregorian calendar (year 1 on: 0000 is no year).
std::optional<Date> MakeDate(int day, int month, int year) noexcept;

// Reads "d/m/yyyy": one or two digits for day and month, four for the year, and a real date.
std::optional<Date> ParseDayMonthYear(std::string_view text, char separator = '/') noexcept;

// Reads "m/yyyy" (one or two digits for the month, four for the year) as the first of that month.
std::optional<Date> ParseMonthYear(std::string_view text) noexcept;

// The number formed by the leading decimal digits of a text; 0 when it starts with none. Saturates
// instead of overflowing.
long LeadingNumber(std::string_view text) noexcept;

// "dd/mm/yyyy".
std::string FormatDdMmYyyy(const Date& date);

// "yyyymmdd".
std::string FormatYyyyMmDd(const Date& date);

}  // namespace nerovale::dates
