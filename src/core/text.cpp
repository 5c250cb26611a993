#include "core/text.h"

#include <array>

namespace nerovale::text {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

// Windows-1252 bytes 0x80-0x9F; the undefined ones map to the control character of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Reads one code point at pos and advances pos; an invalid byte becomes an escaped code point.
char32_t Next(std::string_view s, std::size_t& pos) noexcept {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  std::size_t extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return kEscapeBase + b0;
  }
  if (s.size() - pos <= extra) {
    ++pos;
    return kEscapeBase + b0;
  }
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kEscapeBase + b0;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kEscapeBase + b0;
  }
  pos += extra + 1;
  return cp;
}

constexpr bool IsEscaped(char32_t cp) noexcept { return cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF; }

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (IsEscaped(cp)) {
    out.push_back(static_cast<char>(cp - kEscapeBase));
  } else if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u32string Decode(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) out.push_back(Next(utf8, pos));
  return out;
}

std::string Encode(std::u32string_view code_points) {
  std::string out;
  out.reserve(code_points.size());
  for (char32_t cp : code_points) AppendUtf8(out, cp);
  return out;
}

bool IsValidUtf8(std::string_view bytes) noexcept {
  for (std::size_t pos = 0; pos < bytes.size();) {
    if (IsEscaped(Next(bytes, pos))) return false;
  }
  return true;
}

std::optional<unsigned char> Cp1252Code(char32_t cp) noexcept {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

char32_t FromCp1252(unsigned char byte) noexcept {
  return (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : char32_t{byte};
}

std::string Utf8FromCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t run = 0;  // start of the pending run of ASCII bytes, copied in one go
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) continue;
    out.append(bytes, run, i - run);
    AppendUtf8(out, FromCp1252(b));
    run = i + 1;
  }
  out.append(bytes, run, bytes.size() - run);
  return out;
}

std::string Cp1252FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto code = Cp1252Code(Next(utf8, pos));
    out.push_back(code ? static_cast<char>(*code) : '?');
  }
  return out;
}

char32_t ToUpper(char32_t cp) noexcept {
  if (cp >= U'a' && cp <= U'z') return cp - 0x20;
  if (cp < 0x80) return cp;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
  switch (cp) {
    case 0x0161: return 0x0160;  // š
    case 0x0153: return 0x0152;  // œ
    case 0x017E: return 0x017D;  // ž
    case 0x00FF: return 0x0178;  // ÿ
    default: return cp;
  }
}

std::string ToUpper(std::string_view utf8) {
  std::string out(utf8);
  bool ascii = true;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  }
  if (ascii) return out;
  out.clear();
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b >= 'a' && b <= 'z' ? b - 0x20 : b));
      ++pos;
    } else {
      AppendUtf8(out, ToUpper(Next(utf8, pos)));
    }
  }
  return out;
}

std::string CompactBlanks(std::string_view text) {
  if (!text.starts_with(' ') && text.find("  ") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out.push_back(c);
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) noexcept {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::size_t Length(std::string_view utf8) noexcept {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < utf8.size(); ++n) Next(utf8, pos);
  return n;
}

char32_t FoldMarks(char32_t capital) noexcept {
  struct Fold {
    std::u32string_view marked;
    char32_t letter;
  };
  static constexpr Fold kFolds[] = {
      {U"ÀÁÂÃÄÅ", U'A'}, {U"Ç", U'C'},     {U"ÈÉÊË", U'E'}, {U"ÌÍÎÏ", U'I'}, {U"Ñ", U'N'},
      {U"ÒÓÔÕÖ", U'O'},  {U"ÙÚÛÜ", U'U'}, {U"ÝŸ", U'Y'},   {U"Š", U'S'},    {U"Ž", U'Z'},
  };
  if (capital < 0xC0) return capital;
  for (const Fold& fold : kFolds) {
    if (fold.marked.find(capital) != std::u32string_view::npos) return fold.letter;
  }
  return capital;
}

std::string FoldMarks(std::string_view utf8) {
  std::u32string folded = Decode(utf8);
  for (char32_t& c : folded) c = FoldMarks(c);
  return Encode(folded);
}

std::string Excerpt(std::string_view utf8, std::size_t max_characters) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < max_characters && pos < utf8.size(); ++n) Next(utf8, pos);
  if (pos >= utf8.size()) return std::string(utf8);
  return std::string(utf8.substr(0, pos)) + "…";
}

bool HasControl(std::string_view utf8) noexcept {
  for (char c : utf8) {
    if (IsControl(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

bool IsDigits(std::string_view text) noexcept {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace nerovale::text
