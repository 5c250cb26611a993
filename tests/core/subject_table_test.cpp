#include "core/subject_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/grid_clip.h"

namespace nerovale {
namespace {

constexpr int kMax = SubjectTable::kMaxSubjects;

SubjectRow Subject(std::string surname) { return {{"", std::move(surname)}}; }

// Row 0 holds the captions and is never written; the numbers read 1 to N after deletes and an
// overwrite, and a table cut short or cleared keeps the caption row alone.
TEST(SubjectTable, CaptionRowAndNumbersReadOneToNAfterDeletes) {
  SubjectTable table;
  EXPECT_EQ(table.Cell(0, kCognome) + "|" + table.Cell(0, kCodComuneAtto), "Cognome *|Cod.Com.Atto.Dec.");
  EXPECT_FALSE(table.SetCell(0, kCognome, "X"));
  for (const char* name : {"A", "B", "C", "D"}) ASSERT_TRUE(table.Add(Subject(name)));
  ASSERT_TRUE(table.Remove(2));
  EXPECT_FALSE(table.Remove(0) || table.Remove(4));
  EXPECT_EQ(table.Count(), 3);
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(table.Cell(r, kNumero) + table.Cell(r, kCognome), std::to_string(r) + "ACD"[r - 1]);
  SubjectRow edited = Subject("Z");
  edited[kNumero] = "99";
  ASSERT_TRUE(table.Overwrite(1, edited));  // the number stays
  EXPECT_EQ(table.Cell(1, kNumero) + table.Cell(1, kCognome), "1Z");
  table.Truncate(1);
  EXPECT_EQ(table.Count(), 1);
  table.CreaTab1();
  EXPECT_EQ(table.RowCount(), 1);
}

// A subject keeps its identity while rows around it come and go; every change is counted.
TEST(SubjectTable, IdentitiesFollowTheirRowsAndRevisionsCountChanges) {
  SubjectTable table;
  for (const char* name : {"A", "B", "C"}) ASSERT_TRUE(table.Add(Subject(name)));
  const auto b = table.IdOf(2), c = table.IdOf(3);
  EXPECT_NE(b, c);
  EXPECT_EQ(table.IdOf(0) + table.IdOf(4), 0U);  // no subject, no identity
  ASSERT_TRUE(table.Remove(1));
  EXPECT_EQ(std::pair(table.RowOf(b), table.RowOf(c)), std::pair(1, 2));
  table.Truncate(1);
  EXPECT_EQ(table.RowOf(c), 0);
  table.CreaTab1();
  ASSERT_TRUE(table.Add(Subject("B")));
  EXPECT_EQ(table.RowOf(b), 0);  // a new subject is never an old one

  std::uint64_t seen = table.Revision();
  const auto changed = [&] { return std::exchange(seen, table.Revision()) < table.Revision(); };
  EXPECT_TRUE(table.SetCell(1, kNome, "X") && changed());
  EXPECT_TRUE(table.Overwrite(1, Subject("Y")) && changed());
  EXPECT_TRUE(table.Add(Subject("Z")) && changed());
  EXPECT_TRUE(table.Remove(2) && changed());
  EXPECT_FALSE(table.Remove(5) || changed());
  table.CreaTab1();
  EXPECT_TRUE(changed());
}

// A block appended at once is numbered and given identities as subjects added one by one, to an
// empty table or after others, and only as far as there is room: a full table of 32767 subjects
// takes no more, by either way.
TEST(SubjectTable, AppendsABlockAsAddWouldUpTo32767) {
  SubjectTable table;
  EXPECT_EQ(table.Append({Subject("A"), Subject("B")}), 2);
  ASSERT_TRUE(table.Add(Subject("C")));
  EXPECT_EQ(table.Append(std::vector<SubjectRow>(kMax, Subject("D"))), kMax - 3);
  EXPECT_EQ(table.Append({Subject("E")}), 0);
  EXPECT_FALSE(table.Add(Subject("E")));
  EXPECT_EQ(table.Count(), kMax);
  for (int r : {1, 2, 3, 4, kMax}) EXPECT_EQ(table.Cell(r, kNumero), std::to_string(r));
  EXPECT_EQ(table.Cell(2, kCognome) + table.Cell(3, kCognome), "BC");
  EXPECT_NE(table.IdOf(2), table.IdOf(4));
  EXPECT_EQ(table.RowOf(table.IdOf(kMax)), kMax);
}

// A table of the given number of subjects, each cell naming its row and column: "r2c5".
SubjectTable Table(int rows) {
  SubjectTable table;
  for (int r = 1; r <= rows; ++r) {
    SubjectRow row;
    for (std::size_t c = 1; c < kColumnCount; ++c) row.cells[c] = "r" + std::to_string(r) + "c" + std::to_string(c);
    EXPECT_TRUE(table.Add(row));
  }
  return table;
}

// A block copied as the grid copies it, its bounds given in either order, empty cells included, and
// pasted back over other rows; the numbers of the rows stay.
TEST(GridClip, BoundsInEitherOrderEmptyCellsAndTwoRowsPastedOneRowUp) {
  SubjectTable table = Table(5);
  EXPECT_EQ(CopyBlock(table, 5, 3, 2, 1), CopyBlock(table, 3, 5, 1, 2));
  EXPECT_EQ(CopyBlock(table, 3, 3, 2, 1), "[GRIDCLIP]\fr3c1\vr3c2\v\f");
  ASSERT_TRUE(table.SetCell(1, 1, ""));
  EXPECT_EQ(CopyBlock(table, 1, 1, 1, 1), "[GRIDCLIP]\f\v\f");
  EXPECT_TRUE(PasteBlock(table, "[GRIDCLIP]\f\v\f", 2, 1));
  EXPECT_EQ(table.Cell(2, 1), "");

  const std::string clip = CopyBlock(table, 3, 4, 1, 22);
  EXPECT_TRUE(clip.starts_with("[GRIDCLIP]\fr3c1\vr3c2\v"));
  EXPECT_EQ(std::count(clip.begin(), clip.end(), '\v'), 44);
  EXPECT_EQ(clip.back(), '\f');
  EXPECT_TRUE(PasteBlock(table, clip, 2, 1));
  EXPECT_EQ(table.Cell(2, 1), "r3c1");
  EXPECT_EQ(table.Cell(3, 22), "r4c22");
  EXPECT_EQ(table.Cell(2, kNumero), "2");
}

// A paste that falls outside the grid or meets a spoilt clip stops there, or is refused before a cell
// is written.
TEST(GridClip, PasteRefusesAndStops) {
  SubjectTable table = Table(3);
  EXPECT_FALSE(PasteBlock(table, CopyBlock(table, 1, 2, 1, 1), 3, 1));  // the second line falls outside the grid
  EXPECT_EQ(table.Cell(3, 1), "r1c1");
  EXPECT_FALSE(PasteBlock(table, "[GRIDCLIP]\fa\vb", 1, 1));  // the last value without its tab
  EXPECT_EQ(table.Cell(1, 1), "a");
  EXPECT_FALSE(PasteBlock(table, "[GRIDCLIP]\fx\v\f", 0, 1));  // the caption row is never written
  EXPECT_EQ(table.Cell(0, 1), "Cognome *");
  EXPECT_TRUE(PasteBlock(table, "[GRIDCLIP]\fz\v", 2, 1));  // a last line without its form feed ends the paste
  EXPECT_EQ(table.Cell(2, 1), "z");
  // No form feed after the marker, a marker in lower case, no text, or any other control character
  // in the text: refused whole, before a cell is written.
  for (const char* clip : {"[GRIDCLIP]x\v\f", "[gridclip]\fx\v\f", "", "[GRIDCLIP]\fy\vx\ty\v\f",
                           "[GRIDCLIP]\fy\v\fx\r\n\v\f", "[GRIDCLIP]\fy\vx\x7f\v\f"}) {
    EXPECT_FALSE(PasteBlock(table, clip, 1, 1)) << clip;
    EXPECT_EQ(table.Cell(1, 1), "a") << clip;
  }
}

}  // namespace
}  // namespace nerovale
