#include "core/subject_table.h"

#include <utility>

namespace nerovale {

const std::array<std::string_view, kColumnCount> kColumnCaptions = {
    "",
    "Cognome *",
    "Nome *",
    "Sesso *",
    "Data di Nascita *",
    "Comune Italiano Nascita **",
    "Cod.Com.It.Nasc.",
    "Comune Straniero Nascita",
    "Nazione Nascita *",
    "Cod.Naz.Nasc.",
    "Codice Fiscale **",
    "Nome Padre",
    "Data Decesso *",
    "Nazione Decesso *",
    "Cod.Naz.Dec.",
    "Comune Italiano Decesso ***",
    "Cod.Com.It.Dec.",
    "Comune Straniero Decesso",
    "Atto Morte *",
    "Comune Atto Morte *",
    "Cod.Com.Atto.Dec.",
    "Anno Prot.",
    "Num. Prot.",
};

const std::array<int, kColumnCount> kColumnWidthsTwips = {
    550,  2200, 2200, 670,  1300, 2200, 1300, 2200, 2200, 1300, 2200, 2200,
    1300, 2200, 1200, 2200, 1300, 2200, 1200, 2200, 1500, 1100, 1200,
};

namespace {
const std::string kNoText;
const std::array<std::string, kColumnCount> kCaptionRow = [] {
  std::array<std::string, kColumnCount> row;
  for (std::size_t c = 0; c < kColumnCount; ++c) row[c] = std::string(kColumnCaptions[c]);
  return row;
}();
}  // namespace

const std::string& SubjectTable::Cell(int row, std::size_t column) const {
  if (column >= kColumnCount || row < 0 || row > Count()) return kNoText;
  if (row == 0) return kCaptionRow[column];
  return rows_[static_cast<std::size_t>(row - 1)].cells[column];
}

void SubjectTable::CreaTab1() {
  rows_.clear();
  ids_.clear();
  ++revision_;
}

bool SubjectTable::SetCell(int row, std::size_t column, std::string text) {
  if (row < 1 || row > Count() || column < 1 || column >= kColumnCount) return false;
  rows_[static_cast<std::size_t>(row - 1)].cells[column] = std::move(text);
  ++revision_;
  return true;
}

bool SubjectTable::Add(SubjectRow row) {
  if (Count() >= kMaxSubjects) return false;
  row[kNumero] = std::to_string(Count() + 1);
  rows_.push_back(std::move(row));
  ids_.push_back(next_id_++);
  ++revision_;
  return true;
}

int SubjectTable::Append(std::vector<SubjectRow> rows) {
  const auto room = static_cast<std::size_t>(kMaxSubjects - Count());
  if (rows.size() > room) rows.resize(room);
  if (rows.empty()) return 0;
  const std::size_t first = rows_.size();
  if (rows_.empty()) {
    rows_ = std::move(rows);
  } else {
    rows_.reserve(rows_.size() + rows.size());
    for (auto& row : rows) rows_.push_back(std::move(row));
  }
  for (std::size_t i = first; i < rows_.size(); ++i) {
    rows_[i][kNumero] = std::to_string(i + 1);
    ids_.push_back(next_id_++);
  }
  ++revision_;
  return static_cast<int>(rows_.size() - first);
}

bool SubjectTable::Overwrite(int row, const SubjectRow& values) {
  if (row < 1 || row > Count()) return false;
  auto& target = rows_[static_cast<std::size_t>(row - 1)];
  for (std::size_t c = 1; c < kColumnCount; ++c) target.cells[c] = values.cells[c];
  ++revision_;
  return true;
}

bool SubjectTable::Remove(int row) {
  if (row < 1 || row > Count()) return false;
  rows_.erase(rows_.begin() + (row - 1));
  ids_.erase(ids_.begin() + (row - 1));
  for (int r = row; r <= Count(); ++r) rows_[static_cast<std::size_t>(r - 1)][kNumero] = std::to_string(r);
  ++revision_;
  return true;
}

void SubjectTable::Truncate(int count) {
  if (count < 0 || count >= Count()) return;
  rows_.resize(static_cast<std::size_t>(count));
  ids_.resize(static_cast<std::size_t>(count));
  ++revision_;
}

SubjectTable::RowId SubjectTable::IdOf(int row) const noexcept {
  return row >= 1 && row <= Count() ? ids_[static_cast<std::size_t>(row - 1)] : 0;
}

int SubjectTable::RowOf(RowId id) const noexcept {
  for (std::size_t i = 0; i < ids_.size(); ++i) {
    if (ids_[i] == id) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace nerovale
