#include "core/subject_table.h"

#include <gtest/gtest.h>

namespace nerovale {
namespace {

SubjectRow Subject(const std::string& surname) {
  SubjectRow row;
  row[kCognome] = surname;
  return row;
}

TEST(SubjectTable, EmptyTableHasTheCaptionRowOnly) {
  SubjectTable table;
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.Cell(0, 0), "");
  EXPECT_EQ(table.Cell(0, kCognome), "Cognome *");
  EXPECT_EQ(table.Cell(0, kCodComuneAtto), "Cod.Com.Atto.Dec.");
  EXPECT_EQ(kColumnWidthsTwips[kSesso], 670);
  EXPECT_EQ(kColumnWidthsTwips[kCodComuneAtto], 1500);
  EXPECT_FALSE(table.SetCell(0, kCognome, "X"));  // the caption row is never written
}

TEST(SubjectTable, NumbersReadOneToNAfterDeletes) {
  SubjectTable table;
  for (const char* name : {"A", "B", "C", "D"}) ASSERT_TRUE(table.Add(Subject(name)));
  ASSERT_TRUE(table.Remove(2));
  EXPECT_EQ(table.Count(), 3);
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(table.Cell(r, kNumero), std::to_string(r));
  EXPECT_EQ(table.Cell(2, kCognome), "C");
  EXPECT_EQ(table.Cell(3, kCognome), "D");
  EXPECT_FALSE(table.Remove(0));
  EXPECT_FALSE(table.Remove(4));

  SubjectRow edited = Subject("Z");
  edited[kNumero] = "99";
  ASSERT_TRUE(table.Overwrite(1, edited));
  EXPECT_EQ(table.Cell(1, kCognome), "Z");
  EXPECT_EQ(table.Cell(1, kNumero), "1");

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
  EXPECT_EQ(table.IdOf(0), 0U);
  EXPECT_EQ(table.IdOf(4), 0U);
  ASSERT_TRUE(table.Remove(1));
  EXPECT_EQ(table.RowOf(b), 1);
  EXPECT_EQ(table.RowOf(c), 2);
  table.Truncate(1);
  EXPECT_EQ(table.RowOf(c), 0);
  table.CreaTab1();
  ASSERT_TRUE(table.Add(Subject("B")));
  EXPECT_EQ(table.RowOf(b), 0);  // a new subject is never an old one

  std::uint64_t seen = table.Revision();
  const auto changed = [&] {
    const bool grew = table.Revision() > seen;
    seen = table.Revision();
    return grew;
  };
  EXPECT_TRUE(table.SetCell(1, kNome, "X") && changed());
  EXPECT_TRUE(table.Overwrite(1, Subject("Y")) && changed());
  EXPECT_TRUE(table.Add(Subject("Z")) && changed());
  EXPECT_TRUE(table.Remove(2) && changed());
  EXPECT_FALSE(table.Remove(5) || changed());
  table.CreaTab1();
  EXPECT_TRUE(changed());
}

TEST(SubjectTable, RefusesTheSubjectBeyond32767) {
  SubjectTable table;
  for (int i = 0; i < SubjectTable::kMaxSubjects; ++i) ASSERT_TRUE(table.Add({}));
  EXPECT_FALSE(table.Add(Subject("OLTRE")));
  EXPECT_EQ(table.Count(), 32767);
  EXPECT_EQ(table.Cell(32767, kNumero), "32767");
}

// A block appended at once is numbered and given identities as subjects added one by one, to an
// empty table or after others, and only as far as there is room.
TEST(SubjectTable, AppendsABlockAsAddWould) {
  SubjectTable table;
  EXPECT_EQ(table.Append({Subject("A"), Subject("B")}), 2);
  ASSERT_TRUE(table.Add(Subject("C")));
  EXPECT_EQ(table.Append(std::vector<SubjectRow>(SubjectTable::kMaxSubjects, Subject("D"))), SubjectTable::kMaxSubjects - 3);
  EXPECT_EQ(table.Append({Subject("E")}), 0);
  EXPECT_EQ(table.Count(), SubjectTable::kMaxSubjects);
  for (int r : {1, 2, 3, 4, SubjectTable::kMaxSubjects}) EXPECT_EQ(table.Cell(r, kNumero), std::to_string(r));
  EXPECT_EQ(table.Cell(2, kCognome), "B");
  EXPECT_EQ(table.Cell(3, kCognome), "C");
  EXPECT_NE(table.IdOf(2), table.IdOf(4));
  EXPECT_EQ(table.RowOf(table.IdOf(SubjectTable::kMaxSubjects)), SubjectTable::kMaxSubjects);
}

}  // namespace
}  // namespace nerovale
