#include "codicefiscale/codice_fiscale.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "core/text.h"
#include "place_fixture.h"

namespace nerovale::codicefiscale {
namespace {

using dates::MakeDate;
using Fields = std::vector<std::string>;

std::vector<Fields> ReadCases(const std::string& name) {
  std::ifstream in(std::string(NEROVALE_TEST_DATA_DIR) + "/" + name);
  std::vector<Fields> rows;
  std::string line;
  for (std::getline(in, line); std::getline(in, line);) {  // the column titles left out
    std::stringstream stream(line + ";");  // so that a trailing empty field is read too
    for (rows.emplace_back(); std::getline(stream, line, ';');) rows.back().push_back(line);
  }
  return rows;
}

Person PersonOf(const Fields& r) { return {r[0], r[1], r[2], *dates::ParseDayMonthYear(r[3]), r[4], r[5]}; }

// The shipped tables against the 400 worked cases of each kind.
TEST(ShippedTables, EveryDerivationAndConsistencyCaseGivesItsAnswer) {
  reference::ReferenceTables tables{std::filesystem::path(NEROVALE_SOURCE_DIR)};
  const reference::ReferenceSnapshot places = tables.Snapshot();
  const auto derivation = ReadCases("cf-derivation-v2.csv"), consistency = ReadCases("cf-consistency-v2.csv");
  ASSERT_EQ(derivation.size(), 400U);
  ASSERT_EQ(consistency.size(), 400U);
  // The cases were worked with an older table whose first CALAVINO and VELATE lines bore the codes of
  // CALATAFIMI (B385) and VELATE MILANESE (L511); the national archive gives them B386 and L714.
  const std::map<std::string, std::string> corrected = {{"AIXPLA36B48B385O", "AIXPLA36B48B386Q"},
                                                        {"MRAZSJ63P02L511D", "MRAZSJ63P02L714Q"}};
  for (const auto& r : derivation) {
    ASSERT_EQ(r.size(), 7U);
    const auto correction = corrected.find(r[6]);
    EXPECT_EQ(CalcolaCF(PersonOf(r), places), correction == corrected.end() ? r[6] : correction->second)
        << r[0] << " " << r[1] << " " << r[3] << " " << r[4] << " " << r[5];
  }
  for (const auto& r : consistency) {
    ASSERT_EQ(r.size(), 9U);
    EXPECT_EQ(ConfrontaCF(PersonOf(r), r[6], places), r[7] == "VERO") << r[8] << ": " << r[6] << " for " << r[0];
  }
}

// The names, sexes, dates and places of everyday data are in the shipped tables above; these are the
// inputs they hold none of.
class Derivation : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  std::string Code(std::string_view cognome, std::string_view nome, dates::Date birth = *MakeDate(5, 3, 1950)) {
    return CalcolaCF({cognome, nome, "M", birth, "ROMA", "ITALIA"}, places);
  }
};

// A character outside A-Z, or none, spoils the code; the zero date of an unknown birth is 30/12/1899.
TEST_F(Derivation, CharactersOutsideAToZMakeTheCodeNotWellFormed) {
  EXPECT_EQ(Code("SØRENSEN", "HANS"), "SØRHNS50C05H501Sbagliato");  // Ø is no marked letter
  EXPECT_EQ(Code("R0SSI", "MARIO").substr(0, 3), "R0S");  // a digit counts as a consonant
  EXPECT_EQ(Code("", "MARIO"), "MRA50C05H501Sbagliato");
  EXPECT_EQ(Code("ROSSI\xFF", "MARIO").size(), 16U);  // an invalid byte after the third consonant is not reached
  // Invalid bytes count as consonants and, in the vowel pass, as vowels.
  EXPECT_EQ(Code("\xFF\xFE", "MARIO"), "\xFF\xFE\xFFMRA50C05H501Sbagliato");
  EXPECT_EQ(Code(std::string(100000, 'B'), "MARIO").substr(0, 3), "BBB");
  EXPECT_EQ(Code("ROSSI", "MARIO", dates::ZeroDate()).substr(6, 5), "99T30");
}

// Each marked letter alone as a surname: it folds to its letter, or, with no A-Z letter beneath it
// (sharp s, ligatures, Ø, Ð, Þ), is taken by both passes and spoils the code.
TEST_F(Derivation, LettersWithMarksFoldToTheirLetterOrSpoilTheCode) {
  struct Case { const char *marked, *letter; } cases[] = {
      {"ÀÁÂÃÄÅàáâãäå", "A"}, {"Çç", "C"},  {"ÈÉÊËèéêë", "E"}, {"ÌÍÎÏìíîï", "I"},   {"Ññ", "N"},
      {"ÒÓÔÕÖòóôõö", "O"},   {"ÙÚÛÜùúûü", "U"}, {"ÝŸýÿ", "Y"}, {"Šš", "S"},          {"Žž", "Z"},
      {"ßÆæŒœ", ""},         {"ØøÐðÞþ", ""},
  };
  for (const auto& c : cases) {
    for (char32_t marked : text::Decode(c.marked)) {
      const std::string surname = text::Encode(std::u32string(1, marked)), upper = text::ToUpper(surname);
      const std::string code = Code(surname, "MARIO");
      if (*c.letter) {
        EXPECT_EQ(code.substr(0, 3), c.letter + std::string("XX")) << surname;
        EXPECT_EQ(code.size(), 16U) << surname << ": the code is well formed";
      } else {
        EXPECT_EQ(code, upper + upper + "XMRA50C05H501Sbagliato") << surname;
      }
    }
  }
}

// The check letter of 15 characters, the check of 16, and the layout of the name, date and place parts.
TEST(Layout, CheckLetterAndWellFormedCodes) {
  EXPECT_EQ(CarattereControllo("RSSMRA50C05H501"), "F");
  EXPECT_EQ(CarattereControllo("RSSMRA50C05H501F"), "Esatto");
  EXPECT_EQ(CarattereControllo("rssmra50c05h501f"), "Esatto");
  for (const char* wrong : {"RSSMRA50C05H501A", "RSSMRA50C05", ""}) EXPECT_EQ(CarattereControllo(wrong), "Sbagliato");
  EXPECT_FALSE(VerificaCF("RSSMRA50C05H501"));
  EXPECT_TRUE(VerificaCF("rssmra50c05h501f"));
  const std::pair<const char*, bool> layouts[] = {
      {"ABCDEF84B69H501X", true}, {"ABCDEF83B69H501X", false},  // 29 February: 1984 is a leap year, 1983 not
      {"ABCDEF00B29H501X", true},                               // year 00 is divisible by 4
      {"ABCDEF84A71XXXXX", true},                               // positions 13 to 16 are not examined
      {"ABCDEF84B70H501X", false}, {"ABCDEF84A00H501X", false}, {"ABCDEF84A40H501X", false},
      {"ABCDEF84D31H501X", false},  // 31 April
      {"abcdef84A01H501X", false}, {"ABCDEF84A0", false},
  };
  for (const auto& [code, well_formed] : layouts) EXPECT_EQ(CFBenFormato(code), well_formed) << code;
}

constexpr std::string_view kOmocodiaLetters = "LMNPQRSTUV";  // 0 to 9
constexpr std::size_t kDigitPositions[] = {6, 7, 9, 10, 12, 13, 14};

// The first 15 characters followed by the check letter that VerificaCF accepts, whatever their layout.
std::string WithCheckLetter(const std::string& first15) {
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (VerificaCF(first15 + letter)) return first15 + letter;
  return first15;
}

Person Rossi(std::string_view sesso, int day, int month, int year) {
  return {"ROSSI", "MARIO", sesso, *MakeDate(day, month, year), "ROMA", "ITALIA"};
}

class Consistency : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  const Person mario = Rossi("M", 5, 3, 1950);  // RSSMRA50C05H501F
  bool Consistent(const Person& person, const std::string& first15) {
    return ConfrontaCF(person, WithCheckLetter(first15), places);
  }
};

// Beyond the shipped cases: the day's tens 8 and 9 (day 85 and 95 would be 5 and 15 for a woman), a
// woman's day for a man, and name letters other than the derived ones.
TEST_F(Consistency, CodesWithACorrectCheckLetter) {
  const std::pair<const char*, bool> cases[] = {
      {"RSSMRA50C05H501", true},  {"RSSMRA50CU5H501", false}, {"RSSMRA50CV5H501", false},
      {"RSSMRA50C45H501", false}, {"RSSMRB50C05H501", false}, {"R5SMRA50C05H501", false},
  };
  for (const auto& [first15, consistent] : cases) EXPECT_EQ(Consistent(mario, first15), consistent) << first15;
}

// A man or a woman whose derived code holds the digit at that year or day position; mario for the
// place positions, whose digits are not compared. None for the day's tens 8 and 9.
std::optional<Person> BornWithDigitAt(std::size_t position, int digit) {
  if (position == 6) return Rossi("M", 15, 3, 1905 + 10 * digit);
  if (position == 7) return Rossi("M", 15, 3, 1950 + digit);
  if (position == 10) return Rossi("M", 10 + digit, 3, 1950);
  if (position != 9) return Rossi("M", 5, 3, 1950);
  if (digit >= 8) return std::nullopt;
  return digit <= 3 ? Rossi("M", 10 * digit + 1, 3, 1950) : Rossi("F", 10 * (digit - 4) + 1, 3, 1950);
}

// Every letter in every digit position: an omocodia letter reads back as its digit (and the next
// one as another date), any other letter is refused.
TEST_F(Consistency, EachLetterInEachDigitPosition) {
  for (std::size_t position : kDigitPositions) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const auto digit = kOmocodiaLetters.find(letter);
      const bool omocodia = digit != std::string_view::npos;
      const auto person = omocodia ? BornWithDigitAt(position, static_cast<int>(digit)) : mario;
      if (!person) continue;
      std::string first15 = CalcolaCF(*person, places).substr(0, 15);
      first15[position] = letter;
      EXPECT_EQ(Consistent(*person, first15), omocodia) << first15 << (omocodia ? " read back as a digit" : "");
      if (!omocodia || position >= 12) continue;  // place digits are not compared
      first15[position] = kOmocodiaLetters[(digit + 1) % 10];
      EXPECT_FALSE(Consistent(*person, first15)) << first15 << " is another date";
    }
  }
}

}  // namespace
}  // namespace nerovale::codicefiscale
