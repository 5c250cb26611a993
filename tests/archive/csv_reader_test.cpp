#include "archive/csv_reader.h"

#include <gtest/gtest.h>

namespace nerovale::archive {
namespace {

TEST(CsvReader, QuotedAndPlainValuesAndWhereRecordsStart) {
  const struct {
    const char* why;
    std::string_view text;
    std::vector<std::vector<std::string>> records;
    std::vector<std::size_t> lines;  // where each record starts, then the malformed one if any
    bool malformed = false;
  } cases[] = {
      {"the archive's mix of plain and quoted values",
       "12560,\"ABANO\",\"\",,28\n",
       {{"12560", "ABANO", "", "", "28"}},
       {1}},
      {"commas and doubled quotes inside quotes", "\"A, B\",\"O\"\"\"\n", {{"A, B", "O\""}}, {1}},
      {"CR LF or LF, and none at the end", "A,B\r\nC\nD", {{"A", "B"}, {"C"}, {"D"}}, {1, 2, 3}},
      {"a quoted line break: the next record starts two lines on", "\"A\nB\",C\nD\n", {{"A\nB", "C"}, {"D"}}, {1, 3}},
      {"a lone CR is text, a blank line one empty value", "A\rB\n\nC\n", {{"A\rB"}, {""}, {"C"}}, {1, 2, 3}},
      {"a quote that never closes", "A\n\"B,C\nD\n", {{"A"}}, {1, 2}, true},
      {"text after a closing quote", "A\n\"B\"C,D\n", {{"A"}}, {1, 2}, true},
      {"a quote inside a value without quotes", "A\nB\"C\"\n", {{"A"}}, {1, 2}, true},
  };
  for (const auto& c : cases) {
    CsvReader reader(c.text);
    std::vector<std::vector<std::string>> records;
    std::vector<std::size_t> lines;
    std::vector<std::string> fields;
    CsvReader::Outcome outcome;
    while ((outcome = reader.Next(fields)) == CsvReader::Outcome::kRecord) {
      records.push_back(fields);
      lines.push_back(reader.line());
    }
    if (outcome == CsvReader::Outcome::kMalformed) lines.push_back(reader.line());
    EXPECT_EQ(outcome == CsvReader::Outcome::kMalformed, c.malformed) << c.why;
    EXPECT_EQ(records, c.records) << c.why;
    EXPECT_EQ(lines, c.lines) << c.why;
  }
}

}  // namespace
}  // namespace nerovale::archive
