#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nerovale::archive {

// Reads comma-separated records, as the national archive of municipalities publishes them. A value
// may stand in double quotes and then hold commas, line breaks and doubled quotes (""), each pair
// standing for one quote; a value without quotes is taken as it is. Records end with LF or CR LF; a
// line break at the very end of the text makes no extra record.
class CsvReader {
 public:
  enum class Outcome { kRecord, kEnd, kMalformed };

  explicit CsvReader(std::string_view text) : text_(text) {}

  // Reads the next record into fields. kMalformed stands for a quote that never closes, a character
  // other than a comma or a line end after a closing quote, or a quote inside a value without quotes:
  // the text is then no CSV that can be trusted, and reading stops there.
  Outcome Next(std::vector<std::string>& fields);

  // The line, counted from 1, on which the record last read (or the malformed one) starts.
  std::size_t line() const noexcept { return record_line_; }

 private:
  bool ReadQuoted(std::string& field);
  bool ReadPlain(std::string& field);
  bool AtLineEnd() const noexcept;

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;  // the line pos_ is on
  std::size_t record_line_ = 0;
};

}  // namespace nerovale::archive
