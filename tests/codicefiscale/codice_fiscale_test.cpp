#include "codicefiscale/codice_fiscale.h"

#include <gtest/gtest.h>

#include <fstream>
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
  std::getline(in, line);  // the column titles
  while (std::getline(in, line)) {
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
  for (const auto& r : derivation) {
    ASSERT_EQ(r.size(), 7U);
    EXPECT_EQ(CalcolaCF(PersonOf(r), places), r[6]) << r[0] << " " << r[1] << " " << r[3] << " " << r[4] << " " << r[5];
  }
  for (const auto& r : consistency) {
    ASSERT_EQ(r.size(), 9U);
    EXPECT_EQ(ConfrontaCF(PersonOf(r), r[6], places), r[7] == "VERO") << r[8] << ": " << r[6] << " for " << r[0];
  }
}

class Derivation : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  std::string Code(std::string_view cognome, std::string_view nome, std::string_view sesso = "M",
                   dates::Date birth = *MakeDate(5, 3, 1950), std::string_view comune = "ROMA",
                   std::string_view stato = "ITALIA") {
    return CalcolaCF({cognome, nome, sesso, birth, comune, stato}, places);
  }
};

TEST_F(Derivation, NameLetters) {
  struct Case { const char *cognome, *nome, *prefix, *why; } cases[] = {
      {"D'AMICO", "LUCA", "DMCLCU", "apostrophe dropped; vowels after the consonants"},
      {"DE SANCTIS", "GIANFRANCO", "DSNGFR", "blank dropped; 1st, 3rd and 4th of four consonants"},
      {"FO", "èva", "FOXVEA", "X padding; èva upper-cased and folded"},
      {"O", "AL", "OXXLAX", "one letter gives XX"},
      {"  rossi  ", "anna maria", "RSSNMR", "trimmed and upper-cased"},
      {"ROSSI", "ANNA", "RSSNNA", "three consonants are kept"},
      {"MÜLLER", "HANS", "MLLHNS", "Ü folds to a vowel, so L is the third consonant"},
      {"NÚÑEZ", "JOÃO", "NNZJOA", "Ñ folds to a consonant; Ã to a vowel after J"},
      {"GÖKÇE", "ŽELJKO", "GKCZJK", "Ç folds to a consonant; Ž the first of four consonants"},
      {"ÉÈ", "ÿves", "EEXYVS", "vowels only; ÿ upper-cased, then folded"},
  };
  for (const auto& c : cases) EXPECT_EQ(Code(c.cognome, c.nome).substr(0, 6), c.prefix) << c.why;
}

TEST_F(Derivation, CharactersOutsideAToZMakeTheCodeNotWellFormed) {
  EXPECT_EQ(Code("SØRENSEN", "HANS"), "SØRHNS50C05H501Sbagliato");  // Ø is no marked letter
  EXPECT_EQ(Code("R0SSI", "MARIO").substr(0, 3), "R0S");  // a digit counts as a consonant
  EXPECT_EQ(Code("", "MARIO"), "MRA50C05H501Sbagliato");
  EXPECT_EQ(Code("ROSSI\xFF", "MARIO").size(), 16U);  // an invalid byte after the third consonant is not reached
  // Invalid bytes count as consonants and, in the vowel pass, as vowels.
  EXPECT_EQ(Code("\xFF\xFE", "MARIO"), "\xFF\xFE\xFFMRA50C05H501Sbagliato");
  EXPECT_EQ(Code(std::string(100000, 'B'), "MARIO").substr(0, 3), "BBB");
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

TEST_F(Derivation, DateSexAndPlace) {
  EXPECT_EQ(Code("ROSSI", "MARIO", "f"), Code("ROSSI", "MARIO", "F"));
  EXPECT_EQ(Code("ROSSI", "MARIO", "femmina").substr(9, 2), "45");
  EXPECT_EQ(Code("ROSSI", "MARIO", "").substr(9, 2), "05");
  EXPECT_EQ(Code("ROSSI", "MARIO", "M", *MakeDate(31, 12, 1999)).substr(6, 5), "99T31");
  EXPECT_EQ(Code("ROSSI", "MARIO", "F", *MakeDate(31, 12, 1999)).substr(6, 5), "99T71");
  EXPECT_EQ(Code("ROSSI", "MARIO", "M", dates::ZeroDate()).substr(6, 5), "99T30");
  EXPECT_EQ(Code("ROSSI", "MARIO", "M", *MakeDate(5, 3, 1950), "PARIGI", "FRANCIA").substr(11, 4), "Z110");
  // "Italia" is not "ITALIA": the place is looked up among the countries.
  EXPECT_EQ(Code("ROSSI", "MARIO", "M", *MakeDate(5, 3, 1950), "ROMA", "Italia").substr(11, 4), "Z000");
  EXPECT_EQ(Code("ROSSI", "MARIO", "M", *MakeDate(5, 3, 1950), "ATLANTIDE"), "RSSMRA50C05Sbagliato");
}

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

TEST_F(Consistency, CodesWithACorrectCheckLetter) {
  struct Case { const char* first15; bool consistent; const char* why; } cases[] = {
      {"RSSMRA50C05H501", true, "the derived code"},
      {"RSSMRA50C05F205", true, "another place: the place is not compared"},
      {"RSSMRA50C05HRLM", true, "omocodia letters for the place digits"},
      {"RSSMRARLC0RH501", true, "omocodia letters for year and day"},
      {"RSSMRA50C06H501", false, "another day"},
      {"RSSMRA50C45H501", false, "the same day for a woman"},
      {"RSSMRA5MC05H501", false, "omocodia code of another year"},
      {"RSSMRA50C0LH501", false, "L read back gives day 00"},
      {"RSSMRA50CU5H501", false, "U in the day's tens gives day 85"},
      {"RSSMRA50CV5H501", false, "V in the day's tens gives day 95"},
      {"RSSMRA50C0OH501", false, "O is not an omocodia letter"},
      {"RSSMRA5AC05H501", false, "A in a year position"},
      {"RSSMRA50C05H5O1", false, "O in a place position"},
      {"RSSMRA50C05HABC", false, "letters that no code holds in the place"},
      {"RSSMRA50F05H501", false, "F is not a month letter"},
      {"RSSMRA50C35H501", false, "day 35 is no day"},
      {"RSSMRB50C05H501", false, "other name letters"},
      {"R5SMRA50C05H501", false, "a digit among the name letters"},
  };
  for (const auto& c : cases) EXPECT_EQ(Consistent(mario, c.first15), c.consistent) << c.first15 << ": " << c.why;
  // Whatever their letters: a wrong check letter, lower case (with an omocodia letter too), a wrong length, a symbol.
  for (const char* entered : {"RSSMRA50C05H501A", "rssmra50c05h501f", "rssmra50c0rh501f", "", "RSSMRA50C05H501",
                              "RSSMRA50C05H501FF", "RSSMRA50C05H50-F"}) {
    EXPECT_FALSE(ConfrontaCF(mario, entered, places)) << entered;
  }
}

TEST_F(Consistency, TwentyNinthOfFebruaryAndAnIssuedCodeWithMarks) {
  EXPECT_TRUE(Consistent(Rossi("F", 29, 2, 1984), "RSSMRA8QB6VH501")) << "omocodia of 29 February 1984";
  EXPECT_FALSE(Consistent(Rossi("F", 28, 2, 1983), "RSSMRA8PB69H501")) << "29 February 1983 does not exist";
  EXPECT_TRUE(ConfrontaCF({"MÜLLER", "HANS", "M", *MakeDate(5, 3, 1950), "", "GERMANIA"}, "MLLHNS50C05Z112K", places));
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

TEST_F(Consistency, OmocodiaVariantsBelongToTheirOwnerOnly) {
  // Namesakes born the next day, a year later, and a woman.
  const Person others[] = {Rossi("M", 6, 3, 1950), Rossi("M", 5, 3, 1951), Rossi("F", 5, 3, 1950)};
  for (unsigned replaced = 0; replaced < 128; ++replaced) {  // every choice of the seven digits
    std::string first15 = "RSSMRA50C05H501";
    for (std::size_t bit = 0; bit < 7; ++bit) {
      char& c = first15[kDigitPositions[bit]];
      if (replaced & (1U << bit)) c = kOmocodiaLetters[static_cast<std::size_t>(c - '0')];
    }
    EXPECT_TRUE(Consistent(mario, first15)) << first15;
    for (const Person& other : others) EXPECT_FALSE(Consistent(other, first15)) << first15 << " for a namesake";
  }
}

}  // namespace
}  // namespace nerovale::codicefiscale
