#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/grid_clip.h"

namespace nerovale {

// The columns of the table of subjects, in their fixed order.
enum Column : std::size_t {
  kNumero = 0,
  kCognome,
  kNome,
  kSesso,
  kDataNascita,
  kComuneNascita,
  kCodComuneNascita,
  kComuneEsteroNascita,
  kNazioneNascita,
  kCodNazioneNascita,
  kCodiceFiscale,
  kNomePadre,
  kDataDecesso,
  kNazioneDecesso,
  kCodNazioneDecesso,
  kComuneDecesso,
  kCodComuneDecesso,
  kComuneEsteroDecesso,
  kAttoMorte,
  kComuneAtto,
  kCodComuneAtto,
  kAnnoProtocollo,
  kNumeroProtocollo,
};

inline constexpr std::size_t kColumnCount = 23;

// The header texts of row 0 (column 0 has none) and the column widths in twips.
extern const std::array<std::string_view, kColumnCount> kColumnCaptions;
extern const std::array<int, kColumnCount> kColumnWidthsTwips;

// One subject: the progressive number in column 0 and the 22 text cells, in column order.
struct SubjectRow {
  std::array<std::string, kColumnCount> cells;

  std::string& operator[](Column column) { return cells[column]; }
  const std::string& operator[](Column column) const { return cells[column]; }
  bool operator==(const SubjectRow&) const = default;
};

// The notice number and date, as the operator typed them.
struct CommunicationHeader {
  std::string numero;  // digits, 1 to 9 of them
  std::string data;    // "dd/mm/yyyy"
};

// The ordered table of subjects. Row 0 is the caption row; rows 1 to Count() hold the subjects and
// column 0 of row r always reads r.
class SubjectTable final : public gridclip::GridCells {
 public:
  // The number of subjects is a signed 16-bit value, so the table holds at most this many.
  static constexpr int kMaxSubjects = 32767;

  // Every subject keeps one identity from the moment it enters the table until it leaves it, while
  // the rows around it move: a window that works on one subject holds its identity, not its row.
  using RowId = std::uint64_t;

  // Clears the table: every subject goes, the caption row alone stays (the window's CreaTab1, which
  // also sets up the grid's columns, runs this).
  void CreaTab1();

  // The number of subjects (progressivo) and of rows (subjects plus the caption row).
  int Count() const noexcept { return static_cast<int>(rows_.size()); }
  int RowCount() const noexcept { return Count() + 1; }

  // The text of a cell; row 0 gives the captions. Out of range gives "".
  const std::string& Cell(int row, std::size_t column) const;

  // Writes one cell of a subject row (1 to Count(), columns 1 to 22); false when out of range.
  [[nodiscard]] bool SetCell(int row, std::size_t column, std::string text);

  std::string CellText(int row, int column) const override {
    return column < 0 ? std::string{} : Cell(row, static_cast<std::size_t>(column));
  }
  bool SetCellText(int row, int column, std::string text) override {
    return column >= 0 && SetCell(row, static_cast<std::size_t>(column), std::move(text));
  }

  const SubjectRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row - 1)); }

  // The identity of subject row r (0 when r is not a subject), and the row of a subject (0 when it
  // has left the table).
  RowId IdOf(int row) const noexcept;
  int RowOf(RowId id) const noexcept;

  // Grows with every change of a cell or of the rows: whoever checked the table remembers it, to
  // know later whether the table still holds what was checked.
  std::uint64_t Revision() const noexcept { return revision_; }

  // Appends a subject numbered Count() + 1; false, with nothing changed, when the table is full.
  [[nodiscard]] bool Add(SubjectRow row);

  // Appends subjects as Add would, as many as the table has room for; how many it took. A block
  // given to an empty table becomes the table itself, so that a full import is never held twice.
  int Append(std::vector<SubjectRow> rows);

  // Overwrites columns 1 to 22 of subject row r; its number stays. False when r is not a subject.
  [[nodiscard]] bool Overwrite(int row, const SubjectRow& values);

  // Removes subject row r: the following rows move up and the numbers still read 1..Count().
  [[nodiscard]] bool Remove(int row);

  // Keeps the first n subjects.
  void Truncate(int count);

 private:
  std::vector<SubjectRow> rows_;
  std::vector<RowId> ids_;  // beside rows_, one per subject
  RowId next_id_ = 1;
  std::uint64_t revision_ = 0;
};

}  // namespace nerovale
