#include "codicefiscale/codice_fiscale.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "core/text.h"
#include "place_fixture.h"

namespace nerovale::codicefiscale {
namespace {

using dates::MakeDate;

std::vector<std::vector<std::string>> ReadCases(const std::string& path) {
  std::ifstream in(path);
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
  const auto rows = ReadCases(std::string(NEROVALE_TEST_DATA_DIR) + "/cf-derivation-v2.csv");
  ASSERT_EQ(rows.size(), 400U);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 7U);
    const Person person{r[0], r[1], r[2], BirthDate(r[3]), r[4], r[5]};
    EXPECT_EQ(CalcolaCF(person, places), r[6]) << r[0] << " " << r[1] << " " << r[3] << " " << r[4] << " " << r[5];
  }
}

TEST_F(ShippedTables, EveryConsistencyVectorGivesItsAnswer) {
  const auto rows = ReadCases(std::string(NEROVALE_VECTORS_DIR) + "/cf-consistency.csv");
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

TEST_F(Derivation, FoldedLettersCountAsTheVowelOrConsonantTheyAre) {
  struct Case {
    const char* cognome;
    const char* nome;
    const char* prefix;
    const char* why;
  } cases[] = {
      {"MÜLLER", "HANS", "MLLHNS", "Ü is a vowel, so L is the third consonant"},
      {"NÚÑEZ", "JOÃO", "NNZJOA", "Ñ is a consonant; Ã a vowel after J"},
      {"GÖKÇE", "ŽELJKO", "GKCZJK", "Ç a consonant; Ž the first of four consonants"},
      {"ÉÈ", "ÿves", "EEXYVS", "vowels only; ÿ upper-cased, then folded"},
  };
  for (const auto& c : cases) EXPECT_EQ(Code(c.cognome, c.nome).substr(0, 6), c.prefix) << c.why;
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

TEST(Consistency, TolerantComparisons) {
  testing::FixturePlaces places;
  const Person mario{"ROSSI", "MARIO", "M", *MakeDate(5, 3, 1950), "ROMA", "ITALIA"};
  // The check letter that VerificaCF accepts, whatever the layout of the first 15 characters.
  const auto with_check = [](std::string first15) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      if (VerificaCF(first15 + letter)) return first15 + letter;
    }
    return first15;
  };
  EXPECT_TRUE(ConfrontaCF(mario, "RSSMRA50C05H501F", places));
  EXPECT_TRUE(ConfrontaCF(mario, with_check("RSSMRA50C05F205"), places)) << "another place";
  EXPECT_TRUE(ConfrontaCF(mario, with_check("RSSMRA50C05HMNB"), places)) << "omocodic place digits";
  EXPECT_FALSE(ConfrontaCF(mario, with_check("RSSMRA50C06H501"), places)) << "another day";
  EXPECT_TRUE(ConfrontaCF(mario, with_check("RSSMRA50C0LH501"), places)) << "letters for day digits: 6 compared";
  EXPECT_TRUE(ConfrontaCF(mario, with_check("RSSMRA50F05H501"), places)) << "month letter F: 6 compared";
  EXPECT_TRUE(ConfrontaCF(mario, with_check("RSSMRA50C35H501"), places)) << "day 35: 6 compared";
  EXPECT_FALSE(ConfrontaCF(mario, "RSSMRA50C05H501A", places)) << "wrong check letter";
  EXPECT_FALSE(ConfrontaCF(mario, "rssmra50c05h501f", places)) << "lower case";
  EXPECT_FALSE(ConfrontaCF(mario, "", places));
  EXPECT_FALSE(ConfrontaCF(mario, "RSSMRA50C05H501", places)) << "15 characters";
  EXPECT_FALSE(ConfrontaCF(mario, "RSSMRA50C05H50-F", places));
  EXPECT_FALSE(ConfrontaCF(mario, with_check("RSSMRB50C0LH501"), places)) << "irregular date, other name letters";
}

TEST(Consistency, LayoutRules) {
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
