#include "core/text.h"

#include <gtest/gtest.h>

#include "core/dates.h"
#include "core/text_file.h"

namespace nerovale::text {
namespace {

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Utf8FromCp1252(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Cp1252FromUtf8(utf8), all);
}

TEST(Cp1252, CodesOfCharacters) {
  EXPECT_EQ(Cp1252Code(U'A'), 65);
  EXPECT_EQ(Cp1252Code(U'Ò'), 210);
  EXPECT_EQ(Cp1252Code(U'ò'), 242);
  EXPECT_EQ(Cp1252Code(U'€'), 0x80);
  EXPECT_EQ(Cp1252Code(U'Ÿ'), 0x9F);
  EXPECT_FALSE(Cp1252Code(U'Ł').has_value());  // Polish L with stroke: not in the code page
  EXPECT_FALSE(Cp1252Code(0xDCC3).has_value());  // an invalid UTF-8 byte
  EXPECT_EQ(Cp1252FromUtf8("Łódź"), "?\xF3" "d?");
}

TEST(Cp1252, UpperCasingIsTheCodePagesOwn) {
  EXPECT_EQ(ToUpper("àèéìòù ÿ š œ ž ß ÷ abc"), "ÀÈÉÌÒÙ Ÿ Š Œ Ž ß ÷ ABC");
  EXPECT_EQ(ToUpper("þ"), "Þ");
  EXPECT_EQ(ToUpper("ł"), "ł");  // outside the code page: unchanged
}

TEST(Utf8, InvalidBytesAreKeptAndCounted) {
  const std::string bad = "A\xC3(\xFF";
  EXPECT_FALSE(IsValidUtf8(bad));
  EXPECT_EQ(Decode(bad).size(), 4U);
  EXPECT_EQ(Length(bad), 4U);
  EXPECT_EQ(Encode(Decode(bad)), bad);
  EXPECT_EQ(ToUpper(bad), "A\xC3(\xFF");
  EXPECT_EQ(Length("DÈ"), 2U);
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // an encoded surrogate
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // an overlong form
}

TEST(Blanks, CompactKeepsOneTrailingBlankAndLeavesTabs) {
  EXPECT_EQ(CompactBlanks("  de   santis "), "de santis ");
  EXPECT_EQ(CompactBlanks("a\t\tb"), "a\t\tb");
  EXPECT_EQ(CompactBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(" de santis "), "de santis");
  EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(Lines, CrLfAndLfAndNoExtraLastLine) {
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string_view>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string_view>{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(Dates, DayMonthYearNeedsARealDateAndFourDigitYear) {
  using dates::ParseDayMonthYear;
  EXPECT_EQ(ParseDayMonthYear("5/3/1931"), dates::MakeDate(5, 3, 1931));
  EXPECT_EQ(ParseDayMonthYear("29/02/2000"), dates::MakeDate(29, 2, 2000));
  EXPECT_FALSE(ParseDayMonthYear("29/02/1900"));
  EXPECT_FALSE(ParseDayMonthYear("31/04/1950"));
  EXPECT_FALSE(ParseDayMonthYear("5/13/1970"));  // no swapping of day and month
  EXPECT_FALSE(ParseDayMonthYear("05/03/50"));
  EXPECT_FALSE(ParseDayMonthYear("__/__/____"));
  EXPECT_FALSE(ParseDayMonthYear("05/03/1950/1"));
  EXPECT_FALSE(ParseDayMonthYear("05/03/19500"));  // a five-digit year
  EXPECT_FALSE(ParseDayMonthYear("005/03/1950"));
  EXPECT_EQ(dates::ParseMonthYear("03/1950"), dates::MakeDate(1, 3, 1950));
  EXPECT_FALSE(ParseDayMonthYear("01/01/0000"));  // no year 0000 anywhere
  EXPECT_FALSE(dates::ParseMonthYear("13/1950"));
  EXPECT_FALSE(dates::ParseMonthYear("01/0000"));
  EXPECT_EQ(dates::FormatDdMmYyyy(*dates::MakeDate(5, 3, 931)), "05/03/0931");
  EXPECT_EQ(dates::LeadingNumber("12ab"), 12);
  EXPECT_EQ(dates::LeadingNumber("__"), 0);
}

}  // namespace
}  // namespace nerovale::text
