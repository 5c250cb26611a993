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

std::vector<std::vector<std::string>> ReadCases(const std::string& name) {
  std::ifstream in(std::string(NEROVALE_TEST_DATA_DIR) + "/" + name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);  // the column titles
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, ';');) fields.push_back(field);
    if (!line.empty() && line.back() == ';') fields.emplace_back();
    rows.push_back(fields);
  }
  return rows;
}

dates::Date BirthDate(const std::string& text) { return *dates::ParseDayMonthYear(text); }

class ShippedTables : public ::testing::Test {
 protected:
  reference::ReferenceTables tables{std::filesystem::path(NEROVALE_SOURCE_DIR)};
  reference::ReferenceSnapshot places = tables.Snapshot();
};

TEST_F(ShippedTables, EveryDerivationCaseGivesItsCode) {
  const auto rows = ReadCases("cf-derivation-v2.csv");
  ASSERT_EQ(rows.size(), 400U);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 7U);
    const Person person{r[0], r[1], r[2], BirthDate(r[3]), r[4], r[5]};
    EXPECT_EQ(CalcolaCF(person, places), r[6]) << r[0] << " " << r[1] << " " << r[3] << " " << r[4] << " " << r[5];
  }
}

TEST_F(ShippedTables, EveryConsistencyCaseGivesItsAnswer) {
  const auto rows = ReadCases("cf-consistency-v2.csv");
  ASSERT_EQ(rows.size(), 400U);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 9U);
    const Person person{r[0], r[1], r[2], BirthDate(r[3]), r[4], r[5]};
    EXPECT_EQ(ConfrontaCF(person, r[6], places), r[7] == "VERO") << r[8] << ": " << r[6] << " for " << r[0] << " " << r[1];
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
  struct Case {
    const char* cognome;
    const char* nome;
    const char* prefix;
    const char* why;
  } cases[] = {
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

TEST_F(Derivation, LettersWithMarksFoldToTheirLetter) {
  struct Case {
    const char* marked;
    const char* letter;
    const char* why;
  } cases[] = {
      {"ÀÁÂÃÄÅàáâãäå", "A", "grave, acute, circumflex, tilde, diaeresis, ring"},
      {"Çç", "C", "cedilla"},
      {"ÈÉÊËèéêë", "E", "grave, acute, circumflex, diaeresis"},
      {"ÌÍÎÏìíîï", "I", "grave, acute, circumflex, diaeresis"},
      {"Ññ", "N", "tilde"},
      {"ÒÓÔÕÖòóôõö", "O", "grave, acute, circumflex, tilde, diaeresis"},
      {"ÙÚÛÜùúûü", "U", "grave, acute, circumflex, diaeresis"},
      {"ÝŸýÿ", "Y", "acute, diaeresis"},
      {"Šš", "S", "caron"},
      {"Žž", "Z", "caron"},
  };
  for (const auto& c : cases) {
    for (char32_t marked : text::Decode(c.marked)) {
      const std::string surname = text::Encode(std::u32string(1, marked));
      const std::string code = Code(surname, "MARIO");
      EXPECT_EQ(code.substr(0, 3), std::string(c.letter) + "XX") << surname << ": " << c.why;
      EXPECT_EQ(code.size(), 16U) << surname << ": the code is well formed";
    }
  }
}

TEST_F(Derivation, LettersWithoutALetterBeneathMakeTheCodeNotWellFormed) {
  struct Case {
    const char* letters;
    const char* why;
  } cases[] = {
      {"ßÆæŒœ", "sharp s and ligatures"},
      {"ØøÐðÞþ", "letters of their own, not A-Z with a mark"},
  };
  for (const auto& c : cases) {
    for (char32_t letter : text::Decode(c.letters)) {
      // Neither a vowel nor one of the consonants: both passes take it.
      const std::string surname = text::Encode(std::u32string(1, letter));
      const std::string upper = text::ToUpper(surname);
      EXPECT_EQ(Code(surname, "MARIO"), upper + upper + "XMRA50C05H501Sbagliato") << surname << ": " << c.why;
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

TEST(CheckCharacter, LetterEsattoAndSbagliato) {
  EXPECT_EQ(CarattereControllo("RSSMRA50C05H501"), "F");
  EXPECT_EQ(CarattereControllo("RSSMRA50C05H501F"), "Esatto");
  EXPECT_EQ(CarattereControllo("rssmra50c05h501f"), "Esatto");
  EXPECT_EQ(CarattereControllo("RSSMRA50C05H501A"), "Sbagliato");
  EXPECT_EQ(CarattereControllo("RSSMRA50C05"), "Sbagliato");
  EXPECT_EQ(CarattereControllo(""), "Sbagliato");
}

constexpr std::string_view kOmocodiaLetters = "LMNPQRSTUV";  // 0 to 9
constexpr std::size_t kDigitPositions[] = {6, 7, 9, 10, 12, 13, 14};

// The first 15 characters followed by the check letter that VerificaCF accepts, whatever their layout.
std::string WithCheckLetter(const std::string& first15) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (VerificaCF(first15 + letter)) return first15 + letter;
  }
  return first15;
}

Person Rossi(std::string_view sesso, int day, int month, int year) {
  return {"ROSSI", "MARIO", sesso, *MakeDate(day, month, year), "ROMA", "ITALIA"};
}

class Consistency : public ::testing::Test {
 protected:
  testing::FixturePlaces places;
  const Person mario = Rossi("M", 5, 3, 1950);  // RSSMRA50C05H501F
};

TEST_F(Consistency, CodesWithACorrectCheckLetter) {
  struct Case {
    const char* first15;
    bool consistent;
    const char* why;
  } cases[] = {
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
  for (const auto& c : cases) {
    EXPECT_EQ(ConfrontaCF(mario, WithCheckLetter(c.first15), places), c.consistent) << c.first15 << ": " << c.why;
  }
}

TEST_F(Consistency, TwentyNinthOfFebruary) {
  const Person maria = Rossi("F", 29, 2, 1984);  // RSSMRA84B69H501?
  EXPECT_TRUE(ConfrontaCF(maria, WithCheckLetter("RSSMRA8QB6VH501"), places)) << "omocodia of 29 February 1984";
  EXPECT_FALSE(ConfrontaCF(Rossi("F", 28, 2, 1983), WithCheckLetter("RSSMRA8PB69H501"), places))
      << "29 February 1983 does not exist";
}

TEST_F(Consistency, CodesThatAreNotConsistentWhateverTheirLetters) {
  struct Case {
    const char* entered;
    const char* why;
  } cases[] = {
      {"RSSMRA50C05H501A", "wrong check letter"},
      {"rssmra50c05h501f", "lower case"},
      {"rssmra50c0rh501f", "lower case with an omocodia letter"},
      {"", "empty"},
      {"RSSMRA50C05H501", "15 characters"},
      {"RSSMRA50C05H501FF", "17 characters"},
      {"RSSMRA50C05H50-F", "a symbol"},
  };
  for (const auto& c : cases) EXPECT_FALSE(ConfrontaCF(mario, c.entered, places)) << c.why;
}

// A man or a woman whose derived code holds the digit at that year or day position; mario for the
// place positions, whose digits are not compared. None for the day's tens 8 and 9.
std::optional<Person> BornWithDigitAt(std::size_t position, int digit) {
  switch (position) {
    case 6: return Rossi("M", 15, 3, 1905 + 10 * digit);
    case 7: return Rossi("M", 15, 3, 1950 + digit);
    case 9:
      if (digit <= 3) return Rossi("M", 10 * digit + 1, 3, 1950);
      if (digit <= 7) return Rossi("F", 10 * (digit - 4) + 1, 3, 1950);
      return std::nullopt;
    case 10: return Rossi("M", 10 + digit, 3, 1950);
    default: return Rossi("M", 5, 3, 1950);
  }
}

TEST_F(Consistency, EachOmocodiaLetterIsReadBackInEachDigitPosition) {
  for (std::size_t position : kDigitPositions) {
    for (int digit = 0; digit <= 9; ++digit) {
      const auto person = BornWithDigitAt(position, digit);
      if (!person) continue;
      std::string first15 = CalcolaCF(*person, places).substr(0, 15);
      first15[position] = kOmocodiaLetters[static_cast<std::size_t>(digit)];
      EXPECT_TRUE(ConfrontaCF(*person, WithCheckLetter(first15), places)) << first15 << " read back as " << digit;
      if (position >= 12) continue;  // place digits are not compared
      first15[position] = kOmocodiaLetters[static_cast<std::size_t>(digit + 1) % 10];
      EXPECT_FALSE(ConfrontaCF(*person, WithCheckLetter(first15), places)) << first15 << " is another date";
    }
  }
}

TEST_F(Consistency, EveryOtherLetterInADigitPositionIsRefused) {
  for (std::size_t position : kDigitPositions) {
    for (char letter : std::string_view("ABCDEFGHIJKOWXYZ")) {
      std::string first15 = "RSSMRA50C05H501";
      first15[position] = letter;
      EXPECT_FALSE(ConfrontaCF(mario, WithCheckLetter(first15), places)) << first15;
    }
  }
}

TEST_F(Consistency, OmocodiaVariantsBelongToTheirOwnerOnly) {
  const Person next_day = Rossi("M", 6, 3, 1950);
  const Person next_year = Rossi("M", 5, 3, 1951);
  const Person woman = Rossi("F", 5, 3, 1950);
  for (unsigned replaced = 0; replaced < 128; ++replaced) {  // every choice of the seven digits
    std::string first15 = "RSSMRA50C05H501";
    for (std::size_t bit = 0; bit < 7; ++bit) {
      char& c = first15[kDigitPositions[bit]];
      if (replaced & (1U << bit)) c = kOmocodiaLetters[static_cast<std::size_t>(c - '0')];
    }
    const std::string variant = WithCheckLetter(first15);
    EXPECT_TRUE(ConfrontaCF(mario, variant, places)) << variant;
    EXPECT_FALSE(ConfrontaCF(next_day, variant, places)) << variant << " for a namesake born the next day";
    EXPECT_FALSE(ConfrontaCF(next_year, variant, places)) << variant << " for a namesake born a year later";
    EXPECT_FALSE(ConfrontaCF(woman, variant, places)) << variant << " for a woman";
  }
}

TEST_F(Consistency, SurnameWithMarksAndItsIssuedCode) {
  const Person muller{"MÜLLER", "HANS", "M", *MakeDate(5, 3, 1950), "", "GERMANIA"};
  EXPECT_TRUE(ConfrontaCF(muller, "MLLHNS50C05Z112K", places));
}

TEST(Layout, CheckLetterAndWellFormedCodes) {
  EXPECT_TRUE(CFBenFormato("ABCDEF84B69H501X"));   // woman born 29 February 1984
  EXPECT_FALSE(CFBenFormato("ABCDEF83B69H501X"));  // 1983 is not a leap year
  EXPECT_TRUE(CFBenFormato("ABCDEF00B29H501X"));   // year 00 is divisible by 4
  EXPECT_FALSE(CFBenFormato("ABCDEF84B70H501X"));
  EXPECT_TRUE(CFBenFormato("ABCDEF84A71XXXXX"));   // positions 13 to 16 are not examined
  EXPECT_FALSE(CFBenFormato("ABCDEF84A00H501X"));
  EXPECT_FALSE(CFBenFormato("ABCDEF84A40H501X"));
  EXPECT_FALSE(CFBenFormato("ABCDEF84D31H501X"));  // 31 April
  EXPECT_FALSE(CFBenFormato("abcdef84A01H501X"));
  EXPECT_FALSE(CFBenFormato("ABCDEF84A0"));
  EXPECT_FALSE(VerificaCF("RSSMRA50C05H501"));
  EXPECT_TRUE(VerificaCF("rssmra50c05h501f"));
}

}  // namespace
}  // namespace nerovale::codicefiscale
