#include "core/subject_table.h"

#include <gtest/gtest.h>

namespace nerovale {
namespace {

constexpr int kMax = SubjectTable::kMaxSubjects;

SubjectRow Subject(std::string surname) { return {{"", std::move(surname)}}; }

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

TEST(SubjectTable, RefusesTheSubjectBeyond32767) {
  SubjectTable table;
  for (int i = 0; i < kMax; ++i) ASSERT_TRUE(table.Add({}));
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
  EXPECT_EQ(table.Append(std::vector<SubjectRow>(kMax, Subject("D"))), kMax - 3);
  EXPECT_EQ(table.Append({Subject("E")}), 0);
  EXPECT_EQ(table.Count(), kMax);
  for (int r : {1, 2, 3, 4, kMax}) EXPECT_EQ(table.Cell(r, kNumero), std::to_string(r));
  EXPECT_EQ(table.Cell(2, kCognome) + table.Cell(3, kCognome), "BC");
  EXPECT_NE(table.IdOf(2), table.IdOf(4));
  EXPECT_EQ(table.RowOf(table.IdOf(kMax)), kMax);
}

}  // namespace
}  // namespace nerovale
