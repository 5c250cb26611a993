#include "reference/reference_tables.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "temp_dir.h"

namespace nerovale::reference {
namespace {

TEST(ShippedTables, KnownPlaces) {
  ReferenceTables tables{std::filesystem::path(NEROVALE_SOURCE_DIR)};
  EXPECT_EQ(tables.CodComune("ROMA"), "H501");
  EXPECT_EQ(tables.CodComune("roma"), "H501");
  EXPECT_EQ(tables.CodComune("FORLÌ"), "D704");
  EXPECT_EQ(tables.CodComune("forlì"), "D704");  // accented letters are upper-cased too
  EXPECT_EQ(tables.DescComune("H501").value, "ROMA");
  EXPECT_EQ(tables.CodStato("italia"), "Z000");
  EXPECT_EQ(tables.CodComune(" ROMA"), "");
  EXPECT_EQ(tables.ComuniNames().size(), 12926U);
  EXPECT_EQ(tables.StatiNames().size(), 231U);
  EXPECT_EQ(tables.ComuniNames().front(), "ABANO BAGNI");
  EXPECT_TRUE(tables.Check());
  // A name written without its marks stands for the one name of the table that has them.
  EXPECT_EQ(tables.ComuneLike("forli"), "FORLÌ");
  EXPECT_EQ(tables.ComuneLike("CANTU"), "CANTÙ");
  EXPECT_EQ(tables.ComuneLike("ROMA"), "ROMA");
  EXPECT_EQ(tables.ComuneLike("ROM"), "");
  EXPECT_EQ(tables.StatoLike("peru"), "PERÙ");
}

class FixtureTables : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::filesystem::path comuni = dir.Write("comuni.txt", "ALFA,A001\r\nBETA,B002,extra,fields\r\n\r\nno comma here\r\n"
                                                         "ALFA,A999\r\nGAMMA,A001\r\nDE  SANCTIS,D003\r\nCIT\xC0,C004\r\n"
                                                         "P\xC8RO,P001\r\nP\xC9RO,P002\r\n");
  std::filesystem::path stati = dir.Write("stati.txt", "ITALIA,Z000\r\nFRANCIA,Z110\r\n");
  ReferenceTables tables{comuni, stati};
};

TEST_F(FixtureTables, FirstMatchWinsExtraFieldsAreIgnoredAndBlanksKept) {
  EXPECT_EQ(tables.CodComune("ALFA"), "A001");
  EXPECT_EQ(tables.DescComune("A001").value, "ALFA");
  EXPECT_EQ(tables.CodComune("BETA"), "B002");
  EXPECT_EQ(tables.CodComune("citÀ"), "C004");
  EXPECT_EQ(tables.ComuniNames(),
            (std::vector<std::string>{"ALFA", "BETA", "ALFA", "GAMMA", "DE  SANCTIS", "CITÀ", "PÈRO", "PÉRO"}));
  EXPECT_EQ(tables.ComuneLike("cita"), "CITÀ");
  EXPECT_EQ(tables.ComuneLike("PERO"), "");  // two names differ from it only by marks: neither is guessed
  EXPECT_EQ(tables.ComuneLike("ALFA"), "ALFA");  // a name given twice is still one name
  // Blanks are never trimmed or compacted, and codes are compared exactly.
  EXPECT_EQ(tables.CodComune("ALFA "), "");
  EXPECT_EQ(tables.CodComune("DE SANCTIS"), "");
  EXPECT_EQ(tables.CodComune("DE  SANCTIS"), "D003");
  EXPECT_EQ(tables.DescComune("a001").value, "");
  EXPECT_EQ(tables.DescComune("").value, "");
}

// A table that cannot be what it says is damaged as a whole, named with its line: no look-up finds a
// code in it, rather than some finding one that no codice fiscale or notice can carry.
TEST_F(FixtureTables, ATableWithACodeThatIsNoPlaceCodeIsDamaged) {
  for (const char* code : {"L00001", "C1", "f205", "F2O5", "1205", "F 05"}) {
    dir.Write("comuni.txt", std::string("ALFA,A001\r\nLUNGO,") + code + "\r\n");
    Status status;
    EXPECT_EQ(tables.ComuniNames(&status).size(), 0U) << code;
    EXPECT_EQ(status.message(), "File di riferimento danneggiato: " + comuni.string() + ": la riga 2 ha il codice \"" +
                                    code + "\", che non è una lettera seguita da tre cifre");
    EXPECT_EQ(tables.CodComune("ALFA"), "") << code;
  }
}

TEST_F(FixtureTables, ReplacedFileTakesEffectAtTheNextLookup) {
  EXPECT_EQ(tables.CodComune("ALFA"), "A001");
  // Same size, new content: the identity or the modification time tells the difference.
  const auto replacement = dir.Write("new.txt", "ALFA,A777\r\nBETA,B002,extra,fields\r\n");
  std::filesystem::rename(replacement, comuni);
  EXPECT_EQ(tables.CodComune("ALFA"), "A777");
  EXPECT_EQ(tables.ComuniNames().size(), 2U);

  // Rewritten in place with the same size and the modification time put back: only the time of
  // the entry's last change, which no one can set, tells the difference.
  const auto modified = std::filesystem::last_write_time(comuni);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past the file system's clock tick
  std::fstream(comuni, std::ios::in | std::ios::out | std::ios::binary).write("ALFA,A999", 9);
  std::filesystem::last_write_time(comuni, modified);
  EXPECT_EQ(tables.CodComune("ALFA"), "A999");
}

TEST_F(FixtureTables, MissingFileIsAnErrorNamingItAndNeverACrash) {
  std::filesystem::remove(comuni);
  const Lookup lookup = tables.FindComune("ALFA");
  EXPECT_EQ(lookup.value, "");
  ASSERT_FALSE(lookup.status);
  EXPECT_NE(lookup.status.message().find("comuni.txt"), std::string::npos);
  EXPECT_TRUE(tables.ComuniNames().empty());
  EXPECT_FALSE(tables.Check());
  EXPECT_EQ(tables.CodStato("FRANCIA"), "Z110");
  const ReferenceSnapshot snapshot = tables.Snapshot();
  EXPECT_FALSE(snapshot.status());
  EXPECT_EQ(snapshot.CodComune("ALFA"), "");
  EXPECT_EQ(snapshot.CodStato("FRANCIA"), "Z110");
}

TEST_F(FixtureTables, SnapshotKeepsTheTablesItWasTakenFrom) {
  const ReferenceSnapshot snapshot = tables.Snapshot();
  dir.Write("comuni.txt", "ALFA,A888\r\n");
  std::filesystem::last_write_time(comuni, std::filesystem::last_write_time(comuni) + std::chrono::seconds(1));
  EXPECT_EQ(snapshot.CodComune("alfa"), "A001");
  EXPECT_EQ(snapshot.DescComune("B002"), "BETA");
  EXPECT_EQ(tables.Snapshot().CodComune("alfa"), "A888");
}

}  // namespace
}  // namespace nerovale::reference
