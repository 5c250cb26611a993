#include "core/text.h"

#include <gtest/gtest.h>

#include "core/dates.h"
#include "core/text_file.h"

namespace nerovale::text {
namespace {

TEST(Cp1252, EveryByteRoundTripsCodesAndUpperCasing) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Utf8FromCp1252(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Cp1252FromUtf8(utf8), all);
  // Ł (Polish L with stroke) is not in the code page; 0xDCC3 stands for an invalid UTF-8 byte.
  const std::pair<char32_t, std::optional<unsigned char>> codes[] = {
      {U'A', 65}, {U'Ò', 210}, {U'ò', 242}, {U'€', 0x80}, {U'Ÿ', 0x9F}, {U'Ł', std::nullopt}, {0xDCC3, std::nullopt}};
  for (const auto& [character, code] : codes) EXPECT_EQ(Cp1252Code(character), code) << unsigned(character);
  EXPECT_EQ(Cp1252FromUtf8("Łódź"), "?\xF3" "d?");
  // Upper-casing is the code page's own.
  EXPECT_EQ(ToUpper("àèéìòù ÿ š œ ž ß ÷ abc þ"), "ÀÈÉÌÒÙ Ÿ Š Œ Ž ß ÷ ABC Þ");
  EXPECT_EQ(ToUpper("ł"), "ł");  // outside the code page: unchanged
}

TEST(Utf8, InvalidBytesAreKeptAndCounted) {
  const std::string bad = "A\xC3(\xFF";
  EXPECT_FALSE(IsValidUtf8(bad));
  EXPECT_EQ(Decode(bad).size(), 4U);
  EXPECT_EQ(Length(bad), 4U);
  EXPECT_EQ(Encode(Decode(bad)), bad);
  EXPECT_EQ(ToUpper(bad), bad);
  EXPECT_EQ(Length("DÈ"), 2U);
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // an encoded surrogate
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // an overlong form
}

TEST(Blanks, CompactKeepsOneTrailingBlankAndLeavesTabsAndLinesSplit) {
  EXPECT_EQ(CompactBlanks("  de   santis "), "de santis ");
  EXPECT_EQ(CompactBlanks("a\t\tb"), "a\t\tb");
  EXPECT_EQ(CompactBlanks("   ") + std::string(TrimBlanks("   ")), "");
  EXPECT_EQ(TrimBlanks(" de santis "), "de santis");
  // Lines end at CR LF or LF, and a last line break makes no extra line.
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string_view>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string_view>{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(Dates, DayMonthYearNeedsARealDateAndFourDigitYear) {
  using namespace dates;
  EXPECT_EQ(ParseDayMonthYear("5/3/1931"), MakeDate(5, 3, 1931));
  EXPECT_EQ(ParseDayMonthYear("29/02/2000"), MakeDate(29, 2, 2000));
  // No swapping of day and month, no year of other than four digits, no year 0000 anywhere.
  for (const char* text : {"29/02/1900", "31/04/1950", "5/13/1970", "05/03/50", "__/__/____", "05/03/1950/1",
                           "05/03/19500", "005/03/1950", "01/01/0000"}) {
    EXPECT_FALSE(ParseDayMonthYear(text)) << text;
  }
  EXPECT_EQ(ParseMonthYear("03/1950"), MakeDate(1, 3, 1950));
  for (const char* text : {"13/1950", "01/0000"}) EXPECT_FALSE(ParseMonthYear(text)) << text;
  EXPECT_EQ(FormatDdMmYyyy(*MakeDate(5, 3, 931)), "05/03/0931");
  EXPECT_EQ(LeadingNumber("12ab"), 12);
  EXPECT_EQ(LeadingNumber("__"), 0);
}

}  // namespace
}  // namespace nerovale::text
