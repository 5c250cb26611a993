#pragma once

#include <string>
#include <string_view>

#include "core/dates.h"
#include "reference/reference_tables.h"

// The codice fiscale of a natural person: the code that a person's data produce, and whether an
// entered code is consistent with them.
namespace nerovale::codicefiscale {

// The personal data that a codice fiscale is made of. Comune is the name of the municipality of
// birth, used when Stato is exactly "ITALIA"; otherwise the place code is that of the country.
struct Person {
  std::string_view cognome;
  std::string_view nome;
  std::string_view sesso;  // a first letter F (either case) means a woman
  dates::Date nascita;
  std::string_view comune;
  std::string_view stato;
};

// The code the data produce: 16 characters when every part can be made. When they cannot (a place
// missing from the tables, a character outside A-Z left in the name letters, an empty name) the
// result is the joined parts followed by "Sbagliato", which never equals an entered code; the first
// 11 characters (names, year, month, day) are computed in every case. Letters with marks count as
// their letter A-Z (Ü as U, Ç as C); Æ, Œ, Ø, Ð, Þ and ß are none and stay as they are.
std::string CalcolaCF(const Person& person, const reference::PlaceCodes& places);

// On 15 characters: the check letter, or "Sbagliato" when they are not laid out as a codice fiscale.
// On 16: "Esatto" when the 16th is the check letter of the first 15, else "Sbagliato".
std::string CarattereControllo(std::string_view code);

// True when the code is 16 letters or digits whose 16th character is the check letter of the others.
bool VerificaCF(std::string_view code);

// True when positions 1 to 12 hold capitals and digits where a codice fiscale has them, a month
// letter, and a day that exists in that month (plus 40 for women; 29 February only in years
// divisible by 4).
bool CFBenFormato(std::string_view code);

// Whether the entered code is consistent with the person: equal to the derived code, or with a
// correct check letter and, once the omocodia letters L-V in its digit positions are read back as
// 0-9, well formed, with digits for the place and the same first 11 characters as the derived code.
// The place itself is not compared.
bool ConfrontaCF(const Person& person, std::string_view entered, const reference::PlaceCodes& places);

}  // namespace nerovale::codicefiscale
