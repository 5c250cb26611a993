#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text layer. Inside the program every string is UTF-8; files are Windows-1252. The conversions
// between the two live here and nowhere else, together with the character rules that are defined on
// Windows-1252 codes (upper-casing, the code of a character).
namespace nerovale::text {

// Code points of a UTF-8 text. A byte that is not part of a valid UTF-8 sequence is kept as the
// code point 0xDC00 + byte (a lone surrogate, which valid UTF-8 never yields), so that a text that
// is not UTF-8 still passes through every rule unchanged and encodes back to the same bytes.
std::u32string Decode(std::string_view utf8);
std::string Encode(std::u32string_view code_points);
void AppendUtf8(std::string& out, char32_t code_point);

// True when the text is valid UTF-8.
bool IsValidUtf8(std::string_view bytes) noexcept;

// The Windows-1252 code of a character; none for a character outside the code page. The five
// bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control
// characters of the same number, so every byte of a file survives a round trip.
std::optional<unsigned char> Cp1252Code(char32_t code_point) noexcept;
char32_t FromCp1252(unsigned char byte) noexcept;

// File boundary: Windows-1252 bytes to UTF-8 and back. A character without a Windows-1252 code is
// written as "?".
std::string Utf8FromCp1252(std::string_view bytes);
std::string Cp1252FromUtf8(std::string_view utf8);

// Windows-1252 upper-casing: a-z, à-þ (not ÷), š, œ, ž and ÿ become their capitals; ß and every
// other character stay as they are.
char32_t ToUpper(char32_t code_point) noexcept;
std::string ToUpper(std::string_view utf8);

// Removes every blank at the start and turns each run of blanks into one; a single blank at the end
// survives. Only the blank (code 32) counts.
std::string CompactBlanks(std::string_view text);

// Removes the blanks (code 32 only) at both ends.
std::string_view TrimBlanks(std::string_view text) noexcept;

// The length in characters (code points) of a UTF-8 text.
std::size_t Length(std::string_view utf8) noexcept;

// The letter A-Z beneath a capital of the code page that is a letter A-Z with marks (À to A, Ç to C,
// Ñ to N, Š to S, ...); every other character as it is (Æ, Œ, Ø, Ð, Þ and ß are letters of their own).
char32_t FoldMarks(char32_t capital) noexcept;
// The same for every character of a text.
std::string FoldMarks(std::string_view utf8);

// A value as a message quotes it: its first max_characters characters, and "…" when there were more,
// so that a damaged file never floods a message.
std::string Excerpt(std::string_view utf8, std::size_t max_characters = 60);

// True when the text is non-empty and made of the decimal digits 0-9 only.
bool IsDigits(std::string_view text) noexcept;

// The control characters that no cell of the table may hold: the codes below 32 and 127. Tabs,
// line breaks and the separators of the grid clipboard format would shift or split cells.
constexpr bool IsControl(char32_t code_point) noexcept { return code_point < 0x20 || code_point == 0x7F; }
// True when a UTF-8 text holds one of them (their bytes never occur inside a longer UTF-8 sequence).
bool HasControl(std::string_view utf8) noexcept;

}  // namespace nerovale::text
