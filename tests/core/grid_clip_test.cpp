#include "core/grid_clip.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/subject_table.h"

namespace nerovale::gridclip {
namespace {

SubjectTable Table(int rows) {
  SubjectTable table;
  for (int r = 1; r <= rows; ++r) {
    SubjectRow row;
    for (std::size_t c = 1; c < kColumnCount; ++c) row.cells[c] = "r" + std::to_string(r) + "c" + std::to_string(c);
    EXPECT_TRUE(table.Add(row));
  }
  return table;
}

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
}  // namespace nerovale::gridclip
