#include "codicefiscale/codice_fiscale.h"

#include <array>
#include <cstdlib>

#include "core/text.h"

namespace nerovale::codicefiscale {
namespace {

constexpr std::u32string_view kVowels = U"AEIOU";
constexpr std::u32string_view kConsonants = U"BCDFGHJKLMNPQRSTVWXYZ";
constexpr std::string_view kMonthLetters = "ABCDEHLMPRST";
constexpr std::array<int, 26> kOddValues = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18,
                                            20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
constexpr std::array<int, 12> kDaysInMonth = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr bool IsCapital(char32_t c) noexcept { return c >= U'A' && c <= U'Z'; }
constexpr bool IsDigit(char32_t c) noexcept { return c >= U'0' && c <= U'9'; }
constexpr bool Contains(std::u32string_view set, char32_t c) noexcept { return set.find(c) != std::u32string_view::npos; }

std::u32string UpperCodePoints(std::string_view utf8) {
  std::u32string out = text::Decode(utf8);
  for (char32_t& c : out) c = text::ToUpper(c);
  return out;
}

// Names are written with their marks, but the codes the tax office issues read MÜLLER as MLL and
// NÚÑEZ as NNZ: the letters with marks count as their letter A-Z (text::FoldMarks). The letters that
// are not a marked A-Z (Æ, Œ, Ø, Ð, Þ, ß) stay as they are, and the code they end up in is not well
// formed.
// Upper-cased, trimmed, without blanks, apostrophes, hyphens and full stops, and with the letters
// that carry marks folded to their letter A-Z.
std::u32string Cleaned(std::string_view name) {
  std::u32string upper = UpperCodePoints(name);
  const auto first = upper.find_first_not_of(U' ');
  const auto last = upper.find_last_not_of(U' ');
  std::u32string out;
  if (first == std::u32string::npos) return out;
  for (std::size_t i = first; i <= last; ++i) {
    switch (const char32_t c = upper[i]) {
      case U' ': case U'\'': case U'-': case U'.': break;
      default: out.push_back(text::FoldMarks(c));
    }
  }
  return out;
}

// The three letters of a surname, or of a first name when first_name is set. Both passes work by
// exclusion: whatever is not a vowel counts as a consonant, whatever is not a consonant as a vowel.
std::u32string NameLetters(std::string_view name, bool first_name) {
  const std::u32string cleaned = Cleaned(name);
  const std::size_t wanted = first_name ? 4 : 3;
  std::u32string letters;
  for (char32_t c : cleaned) {
    if (!Contains(kVowels, c)) letters.push_back(c);
    if (letters.size() == wanted) break;
  }
  if (letters.size() == 4) letters = {letters[0], letters[2], letters[3]};
  if (letters.size() < 3) {
    std::size_t vowels = 0;
    for (char32_t c : cleaned) {
      if (vowels == 3) break;
      if (!Contains(kConsonants, c)) letters.push_back(c), ++vowels;
    }
  }
  if (letters.size() > 3) letters.resize(3);
  if (letters.size() == 2) letters += U"X";
  if (letters.size() == 1) letters += U"XX";
  return letters;
}

void AppendTwoDigits(std::u32string& out, int value) {
  out.push_back(U'0' + static_cast<char32_t>(value / 10 % 10));
  out.push_back(U'0' + static_cast<char32_t>(value % 10));
}

int LetterIndex(char32_t c) noexcept { return static_cast<int>(c - U'A'); }

// Check letter of 15 well-formed or alphanumeric characters; digits count as the letter of the same index.
char32_t CheckLetter(std::u32string_view first15) {
  int sum = 0;
  for (std::size_t i = 0; i < 15; ++i) {
    const char32_t c = first15[i];
    const int k = IsDigit(c) ? static_cast<int>(c - U'0') : LetterIndex(c);
    sum += (i % 2 == 1) ? k : kOddValues[static_cast<std::size_t>(k)];
  }
  return U'A' + static_cast<char32_t>(sum % 26);
}

bool FirstFifteenWellFormed(std::u32string_view code) {
  constexpr std::string_view kLayout = "LLLLLLDDLDDLDDD";  // L a capital, D a digit
  if (code.size() < kLayout.size()) return false;
  for (std::size_t i = 0; i < kLayout.size(); ++i) {
    if (!(kLayout[i] == 'L' ? IsCapital(code[i]) : IsDigit(code[i]))) return false;
  }
  return true;
}

std::u32string CarattereControlloOf(std::u32string code) {
  for (char32_t& c : code) c = text::ToUpper(c);
  const bool given = code.size() == 16;
  if (!FirstFifteenWellFormed(code)) return U"Sbagliato";
  const char32_t computed = CheckLetter(code);
  if (!given) return std::u32string(1, computed);
  return code[15] == computed ? U"Esatto" : U"Sbagliato";
}

// When two people would get the same code, the tax office gives the later one a code in which digits
// are replaced, from the right, by these letters: L for 0, M for 1, ... V for 9 (O is skipped).
constexpr std::string_view kOmocodiaLetters = "LMNPQRSTUV";
constexpr std::array<std::size_t, 7> kDigitPositions = {6, 7, 9, 10, 12, 13, 14};  // year, day, place

// The code with the omocodia letters in its digit positions read back as the digits they stand for.
// Only called on codes of 16 letters and digits, which are ASCII.
std::string OmocodiaReadBack(std::string_view code) {
  std::string digits(code);
  for (std::size_t i : kDigitPositions) {
    const auto digit = kOmocodiaLetters.find(digits[i]);
    if (digit != std::string_view::npos) digits[i] = static_cast<char>('0' + digit);
  }
  return digits;
}

bool PlaceDigitsPresent(std::string_view code) { return text::IsDigits(code.substr(12, 3)); }

}  // namespace

std::string CalcolaCF(const Person& person, const reference::PlaceCodes& places) {
  std::u32string code = NameLetters(person.cognome, false);
  code += NameLetters(person.nome, true);
  AppendTwoDigits(code, std::abs(static_cast<int>(person.nascita.year())) % 100);
  code.push_back(static_cast<char32_t>(kMonthLetters[(static_cast<unsigned>(person.nascita.month()) + 11) % 12]));
  const std::u32string sesso = UpperCodePoints(person.sesso);
  const bool woman = !sesso.empty() && sesso.front() == U'F';
  AppendTwoDigits(code, static_cast<int>(static_cast<unsigned>(person.nascita.day())) + (woman ? 40 : 0));
  const std::string place =
      person.stato == reference::kItaly ? places.CodComune(person.comune) : places.CodStato(person.stato);
  code += text::Decode(place);
  code += CarattereControlloOf(code);
  return text::Encode(code);
}

std::string CarattereControllo(std::string_view code) { return text::Encode(CarattereControlloOf(text::Decode(code))); }

bool VerificaCF(std::string_view code) {
  std::u32string upper = UpperCodePoints(code);
  if (upper.size() != 16) return false;
  for (char32_t c : upper) {
    if (!IsCapital(c) && !IsDigit(c)) return false;
  }
  return upper[15] == CheckLetter(upper);
}

bool CFBenFormato(std::string_view code) {
  std::u32string c = text::Decode(code);
  c.resize(std::max<std::size_t>(c.size(), 12), U' ');
  constexpr std::string_view kLayout = "LLLLLLDDLDDL";
  for (std::size_t i = 0; i < kLayout.size(); ++i) {
    if (!(kLayout[i] == 'L' ? IsCapital(c[i]) : IsDigit(c[i]))) return false;
  }
  const auto month = kMonthLetters.find(static_cast<char>(c[8]));
  if (month == std::string_view::npos) return false;
  const int day = static_cast<int>((c[9] - U'0') * 10 + (c[10] - U'0'));
  const int days = kDaysInMonth[month];
  if (day == 0 || day > days + 40 || (day < 41 && day > days)) return false;
  if (month == 1 && day % 40 == 29) {
    const int year = static_cast<int>((c[6] - U'0') * 10 + (c[7] - U'0'));
    if (year % 4 != 0) return false;
  }
  return true;
}

bool ConfrontaCF(const Person& person, std::string_view entered, const reference::PlaceCodes& places) {
  const std::string derived = CalcolaCF(person, places);
  if (entered == derived) return true;
  if (!VerificaCF(entered)) return false;
  // The check letter covers the code as issued; layout, date and names are judged on the digits the
  // omocodia letters stand for. The place is not compared, so a place missing from the tables costs
  // nothing.
  const std::string read_back = OmocodiaReadBack(entered);
  return CFBenFormato(read_back) && PlaceDigitsPresent(read_back) && read_back.compare(0, 11, derived, 0, 11) == 0;
}

}  // namespace nerovale::codicefiscale
