#include "validation/key_filter.h"

#include <gtest/gtest.h>

namespace nerovale::validation {
namespace {

using namespace filters;

// A key is let in, refused quietly, or refused with the full box's message; pasted text goes through
// the same filter.
TEST(KeyFilter, TypedKeysFullBoxesAndPastedText) {
  constexpr auto kIn = KeyVerdict::kAccept, kOut = KeyVerdict::kRefuse, kFull = KeyVerdict::kRefuseWithMessage;
  const std::tuple<const FieldFilter&, std::size_t, char32_t, KeyVerdict> keys[] = {
      {kCognome, 0, U'a', kIn},   {kCognome, 0, U'-', kIn},     {kNome, 0, U'-', kOut},
      {kCognome, 0, U'1', kOut},  {kCognome, 72, U'A', kFull},  {kCognome, 72, U'1', kOut},  // a refused key says nothing
      {kNumeroComunicazione, 9, U'x', kFull},  // any key
      {kNumeroComunicazione, 3, U'x', kOut},  {kAttoMorte, 9, U'%', kFull},  {kGiornoMese, 2, U'1', kOut},
      {kPlaceCombo, 500, U'a', kIn},  // no limit
      {kNome, 0, U'÷', kOut},         // 247: no letter, no capital
      {kReferente, 0, U'é', kIn},     {kReferente, 0, U'ÿ', kOut},  // its capital Ÿ is 159 in Windows-1252
      {kComuneEstero, 60, U'.', kFull},
  };
  for (const auto& [filter, length, key, verdict] : keys) EXPECT_EQ(FilterKey(filter, length, key), verdict) << unsigned(key);
  // A letter is judged as the box shows it, a capital: ò and ù of an Italian keyboard are Ò and Ù.
  for (const auto& filter : {kCognome, kNome, kPlaceCombo}) {
    for (char32_t typed : {U'à', U'ò', U'ù', U'ì', U'Ò'}) EXPECT_EQ(FilterKey(filter, 0, typed), kIn);
  }
  const std::tuple<const FieldFilter&, const char*, const char*> pasted[] = {
      {kNumeroComunicazione, "12/3.4a56789012", "123456789"}, {kCognome, "d'àmico-2 ß", "D'ÀMICO- ß"},
      {kNome, "nicolò cantù", "NICOLÒ CANTÙ"}, {kPlaceCombo, "forlì", "FORLÌ"},
      {kCodiceFiscale, "rssmra50c05h501f-extra", "RSSMRA50C05H501F"}, {kGiornoMese, "\xFF" "5", "5"},
  };
  for (const auto& [filter, text, kept] : pasted) EXPECT_EQ(FilterText(filter, text), kept) << text;
}

// The edges of the sets, on their Windows-1252 codes.
TEST(CharacterSets, EdgesOfTheSets) {
  const std::tuple<CharSet, char32_t, bool> cases[] = {
      {CharSet::kSurname, U'À', true},  {CharSet::kSurname, U'í', true},   {CharSet::kSurname, U'î', false},
      {CharSet::kSurname, U'¿', false}, {CharSet::kName, U'\'', true},     {CharSet::kName, U'.', false},
      {CharSet::kName, U'Ò', true},     {CharSet::kName, U'ò', false},
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
