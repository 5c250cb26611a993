#include "validation/key_filter.h"

#include <gtest/gtest.h>

namespace nerovale::validation {
namespace {

using namespace filters;

TEST(KeyFilter, TypedKeysFullBoxesAndPastedText) {
  EXPECT_EQ(FilterKey(kCognome, 0, U'a'), KeyVerdict::kAccept);
  EXPECT_EQ(FilterKey(kCognome, 0, U'-'), KeyVerdict::kAccept);
  EXPECT_EQ(FilterKey(kNome, 0, U'-'), KeyVerdict::kRefuse);
  EXPECT_EQ(FilterKey(kCognome, 0, U'1'), KeyVerdict::kRefuse);
  EXPECT_EQ(FilterKey(kCognome, 72, U'A'), KeyVerdict::kRefuseWithMessage);
  EXPECT_EQ(FilterKey(kCognome, 72, U'1'), KeyVerdict::kRefuse);  // a refused key in a full box says nothing
  EXPECT_EQ(FilterKey(kNumeroComunicazione, 9, U'x'), KeyVerdict::kRefuseWithMessage);  // any key
  EXPECT_EQ(FilterKey(kNumeroComunicazione, 3, U'x'), KeyVerdict::kRefuse);
  EXPECT_EQ(FilterKey(kAttoMorte, 9, U'%'), KeyVerdict::kRefuseWithMessage);
  EXPECT_EQ(FilterKey(kGiornoMese, 2, U'1'), KeyVerdict::kRefuse);
  EXPECT_EQ(FilterKey(kPlaceCombo, 500, U'a'), KeyVerdict::kAccept);  // no limit
  // A letter is judged as the box shows it, a capital: ò and ù of an Italian keyboard are Ò and Ù.
  for (const auto& filter : {kCognome, kNome, kPlaceCombo}) {
    for (char32_t typed : {U'à', U'ò', U'ù', U'ì', U'Ò'}) EXPECT_EQ(FilterKey(filter, 0, typed), KeyVerdict::kAccept);
  }
  EXPECT_EQ(FilterKey(kNome, 0, U'÷'), KeyVerdict::kRefuse);  // 247: no letter, no capital
  EXPECT_EQ(FilterKey(kReferente, 0, U'é'), KeyVerdict::kAccept);
  EXPECT_EQ(FilterKey(kReferente, 0, U'ÿ'), KeyVerdict::kRefuse);  // its capital Ÿ is 159 in Windows-1252
  EXPECT_EQ(FilterKey(kComuneEstero, 60, U'.'), KeyVerdict::kRefuseWithMessage);
  // Pasted text goes through the same filter.
  EXPECT_EQ(FilterText(kNumeroComunicazione, "12/3.4a56789012"), "123456789");
  EXPECT_EQ(FilterText(kCognome, "d'àmico-2 ß"), "D'ÀMICO- ß");
  EXPECT_EQ(FilterText(kNome, "nicolò cantù"), "NICOLÒ CANTÙ");
  EXPECT_EQ(FilterText(kPlaceCombo, "forlì"), "FORLÌ");
  EXPECT_EQ(FilterText(kCodiceFiscale, "rssmra50c05h501f-extra"), "RSSMRA50C05H501F");
  EXPECT_EQ(FilterText(kGiornoMese, "\xFF" "5"), "5");
}

// The edges of the sets, on their Windows-1252 codes.
TEST(CharacterSets, EdgesOfTheSets) {
  const std::tuple<CharSet, char32_t, bool> cases[] = {
      {CharSet::kSurname, U'À', true},  {CharSet::kSurname, U'í', true},   {CharSet::kSurname, U'î', false},
      {CharSet::kSurname, U'¿', false}, {CharSet::kName, U'\'', true},     {CharSet::kName, U'.', false},
      {CharSet::kPlace, U'.', true},    {CharSet::kCertificate, U'\\', true}, {CharSet::kCertificate, U'.', false},
      {CharSet::kCertificate, U'-', false}, {CharSet::kProtocol, U'/', false}, {CharSet::kPlaceName, U'À', true},
      {CharSet::kReferente, U'ÿ', true}, {CharSet::kReferente, U'.', false}, {CharSet::kDigits, U'a', false},
  };
  for (const auto& [set, character, in] : cases) EXPECT_EQ(InSet(set, character), in) << unsigned(character);
  EXPECT_TRUE(fields::kCognome.Fits(std::string(72, 'A')));
  EXPECT_FALSE(fields::kCognome.Fits(std::string(73, 'A')));
  EXPECT_FALSE(fields::kCognome.Holds(""));
}

}  // namespace
}  // namespace nerovale::validation
