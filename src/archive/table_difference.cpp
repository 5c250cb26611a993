#include "archive/table_difference.h"

#include <unordered_map>
#include <unordered_set>

namespace nerovale::archive {
namespace {

using CodesByName = std::unordered_map<std::string, std::vector<std::string>>;

CodesByName Codes(const std::vector<TableLine>& lines) {
  CodesByName codes;
  for (const auto& line : lines) codes[line.name].push_back(line.code);
  return codes;
}

std::string Joined(const std::vector<std::string>& codes) {
  std::string text;
  for (const auto& code : codes) text += (text.empty() ? "" : " ") + code;
  return text;
}

// "title: count", the first entries one a line, and how many are left unshown.
template <typename Entry, typename Format>
void Describe(std::string& out, const char* title, const std::vector<Entry>& entries, std::size_t shown,
              Format format) {
  out += std::string(title) + ": " + std::to_string(entries.size()) + "\n";
  for (std::size_t i = 0; i < entries.size() && i < shown; ++i) out += "    " + format(entries[i]) + "\n";
  if (entries.size() > shown) out += "    ... e altre " + std::to_string(entries.size() - shown) + "\n";
}

}  // namespace

TableDifference CompareTables(const std::vector<TableLine>& before, const std::vector<TableLine>& after) {
  TableDifference difference;
  difference.identical = before == after;
  const CodesByName old_codes = Codes(before);
  const CodesByName new_codes = Codes(after);
  std::unordered_set<std::string> seen;
  for (const auto& line : after) {
    if (!seen.insert(line.name).second) continue;  // each name once, where it first stands
    const auto& codes = new_codes.at(line.name);
    const auto old = old_codes.find(line.name);
    if (old == old_codes.end()) {
      for (const auto& code : codes) difference.added.push_back({line.name, code});
    } else if (old->second != codes) {
      difference.changed.push_back({line.name, old->second, codes});
    }
  }
  for (const auto& line : before) {
    if (!new_codes.contains(line.name)) difference.removed.push_back(line);
  }
  return difference;
}

std::string DescribeDifference(const TableDifference& difference, const std::vector<TableLine>& kept,
                               std::size_t shown) {
  std::string out;
  const auto line = [](const TableLine& l) { return l.name + "," + l.code; };
  Describe(out, "Righe aggiunte (nomi nuovi)", difference.added, shown, line);
  Describe(out, "Righe tolte (nomi che non ci sono più)", difference.removed, shown, line);
  Describe(out, "Nomi con codici cambiati", difference.changed, shown,
           [](const CodeChange& c) { return c.name + ": " + Joined(c.before) + " -> " + Joined(c.after); });
  Describe(out, "Righe tenute (l'archivio non le elenca)", kept, shown, line);
  return out;
}

}  // namespace nerovale::archive
