#include "archive/table_lines.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "core/text.h"

namespace nerovale::archive {
namespace {

// The plain letter of a Windows-1252 letter with a diacritic; any other character as it is.
char32_t PlainLetter(char32_t c) noexcept {
  // À to ÿ: the letters with their plain letter, the other characters (×, ÷, ß, Þ, þ, Ð, ð) as they are.
  constexpr std::u32string_view kFromAGrave = U"AAAAAAACEEEEIIIIÐNOOOOO×OUUUUYÞßaaaaaaaceeeeiiiiðnooooo÷ouuuuyþy";
  static_assert(kFromAGrave.size() == 0x100 - 0xC0);
  if (c >= 0xC0 && c <= 0xFF) return kFromAGrave[c - 0xC0];
  switch (c) {
    case U'Š': return U'S';
    case U'š': return U's';
    case U'Ž': return U'Z';
    case U'ž': return U'z';
    case U'Ÿ': return U'Y';
    default: return c;
  }
}

std::u32string SortKey(std::string_view name) {
  std::u32string key = text::Decode(name);
  std::transform(key.begin(), key.end(), key.begin(), PlainLetter);
  return key;
}

// The Italian name of a bilingual municipality: the part of its name before a "-" after which the
// name in the second language follows. The archive gives that second name alone ("DOBERDOB") or, for
// the Slovene municipalities, with the titles of both languages ("COMUNE DI SAVOGNA
// D'ISONZO-OBCINA SOVODNJE OB SOČI"), so it may end with the second part of the name too.
std::optional<std::string_view> ItalianName(std::string_view name, std::string_view other_name) {
  if (other_name.empty()) return std::nullopt;
  for (auto dash = name.find('-'); dash != std::string_view::npos; dash = name.find('-', dash + 1)) {
    const std::string_view second = name.substr(dash + 1);
    if (second.empty()) continue;
    if (other_name == second || (other_name.ends_with(second) && other_name.size() > second.size() &&
                                 other_name[other_name.size() - second.size() - 1] == ' ')) {
      return name.substr(0, dash);
    }
  }
  return std::nullopt;
}

// The part of a transliterated name before its n-th "-" (n from 1); the whole name when it has fewer.
std::string_view BeforeDash(std::string_view name, std::size_t n) {
  std::size_t at = std::string_view::npos;
  for (std::size_t i = 0; i < n; ++i) {
    at = name.find('-', at == std::string_view::npos ? 0 : at + 1);
    if (at == std::string_view::npos) return name;
  }
  return name.substr(0, at);
}

// The name as the table can hold it: as the archive gives it, or transliterated when it has a
// character outside Windows-1252. Reading the archive made sure one of the two fits.
std::string Written(std::string_view name, std::string_view transliterated) {
  return std::string(FitsCp1252(name) ? name : transliterated);
}

}  // namespace

bool ComesBefore(const TableLine& a, const TableLine& b) {
  return std::forward_as_tuple(SortKey(a.name), a.name, a.code) <
         std::forward_as_tuple(SortKey(b.name), b.name, b.code);
}

std::vector<TableLine> BuildMunicipalityTable(const std::vector<ArchiveRecord>& records) {
  std::vector<TableLine> lines;
  std::unordered_set<std::string> current_names;
  for (const auto& record : records) {
    if (!record.current) continue;
    lines.push_back({Written(record.name, record.transliterated), record.code});
    if (const auto italian = ItalianName(record.name, record.other_name)) {
      const std::size_t dashes = static_cast<std::size_t>(std::count(italian->begin(), italian->end(), '-'));
      lines.push_back({Written(*italian, BeforeDash(record.transliterated, dashes + 1)), record.code});
    }
  }
  for (const auto& line : lines) current_names.insert(line.name);
  std::unordered_set<std::string> codes;
  for (const auto& record : records) {
    if (record.current) continue;
    std::string name = Written(record.name, record.transliterated);
    if (!current_names.contains(name)) lines.push_back({std::move(name), record.code});
  }
  for (const auto& line : lines) codes.insert(line.code);
  for (const auto& record : records) {
    if (!record.current && !codes.contains(record.code)) {
      lines.push_back({Written(record.name, record.transliterated), record.code});
      codes.insert(record.code);
    }
  }

  std::sort(lines.begin(), lines.end(), ComesBefore);
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

std::vector<ValidityLine> BuildValidityLines(const std::vector<ArchiveRecord>& records) {
  // The record each code is shown under: the current one, otherwise the one that ceased last.
  std::unordered_map<std::string, const ArchiveRecord*> shown;
  for (const auto& record : records) {
    const ArchiveRecord*& best = shown[record.code];
    if (best == nullptr || std::tie(record.current, record.until, record.from) > std::tie(best->current, best->until, best->from)) {
      best = &record;
    }
  }
  std::vector<ValidityLine> lines;
  for (const auto& record : records) {
    const bool is_shown = shown[record.code] == &record;
    lines.push_back({Written(record.name, record.transliterated), record.code, record.province, record.from,
                     record.until, is_shown});
    if (const auto italian = ItalianName(record.name, record.other_name)) {
      const std::size_t dashes = static_cast<std::size_t>(std::count(italian->begin(), italian->end(), '-'));
      lines.push_back({Written(*italian, BeforeDash(record.transliterated, dashes + 1)), record.code,
                       record.province, record.from, record.until, false});
    }
  }
  std::sort(lines.begin(), lines.end(), [](const ValidityLine& a, const ValidityLine& b) {
    const TableLine ta{a.name, a.code};
    const TableLine tb{b.name, b.code};
    if (ComesBefore(ta, tb)) return true;
    if (ComesBefore(tb, ta)) return false;
    return std::tie(a.from, a.until, a.province) < std::tie(b.from, b.until, b.province);
  });
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

std::string ValidityLineText(const ValidityLine& line) {
  return line.name + ',' + line.code + ',' + line.province + ',' + line.from + ',' + line.until + ',' +
         (line.shown ? 'S' : 'N');
}

}  // namespace nerovale::archive
