#include "reference/reference_tables.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "reference/place_dates.h"
#include "temp_dir.h"

namespace nerovale::reference {
namespace {

TEST(ShippedTables, KnownPlaces) {
  ReferenceTables tables{std::filesystem::path(NEROVALE_SOURCE_DIR)};
  // Looked up upper-cased, accented letters too, and never trimmed.
  for (auto [name, code] : {std::pair{"roma", "H501"}, {"forlì", "D704"}, {" ROMA", ""}}) {
    EXPECT_EQ(tables.CodComune(name), code) << name;
  }
  EXPECT_EQ(tables.DescComune("H501").value + tables.CodStato("italia"), "ROMAZ000");
  EXPECT_EQ(tables.ComuniNames().size(), 12975U);
  EXPECT_EQ(tables.StatiNames().size(), 231U);
  EXPECT_EQ(tables.ComuniNames().front(), "ABANO");
  EXPECT_TRUE(tables.Check());
  // A name written without its marks stands for the one name of the table that has them.
  for (auto [typed, name] : {std::pair{"forli", "FORLÌ"}, {"CANTU", "CANTÙ"}, {"ROMA", "ROMA"}, {"ROM", ""}}) {
    EXPECT_EQ(tables.ComuneLike(typed), name) << typed;
  }
  EXPECT_EQ(tables.StatoLike("peru"), "PERÙ");
}

// Places in time, from real lines of the national archive: each code under its current name, a name
// taken with the code it held on the day, homonyms of one day offered with province and years.
TEST(ShippedTables, PlacesAtTheirDates) {
  const ReferenceSnapshot places = ReferenceTables{std::filesystem::path(NEROVALE_SOURCE_DIR)}.Snapshot();
  ASSERT_TRUE(places.status() && places.dated());
  for (const auto& [code, name] : std::vector<std::pair<std::string, std::string>>{
           {"H223", "REGGIO NELL'EMILIA"}, {"A001", "ABANO TERME"}, {"L468", "VALVESTINO"}, {"A744", "BELLAGIO"},
           {"M335", "BELLAGIO"}, {"B385", "CALATAFIMI-SEGESTA"}, {"H501", "ROMA"}}) {
    EXPECT_EQ(places.DescComune(code), name) << code;
  }
  const auto day = [](int d, int m, int y) { return *dates::MakeDate(d, m, y); };
  struct Case {
    std::string name;
    std::string birth;  // as a cell holds it
    std::string code;   // "" when several hold
    bool held;          // the name held the code that day
  };
  for (const Case& c : std::vector<Case>{{"BELLAGIO", "05/03/1950", "A744", true},
                                         {"BELLAGIO", "2015", "M335", true},
                                         {"BELLAGIO", "2014", "A744", true},  // the first of January
                                         {"BELLAGIO", "3/2014", "M335", true},
                                         {"CASTRO", "1960", "C337", true},
                                         {"CASTRO", "1980", "", true},
                                         {"ACQUAVIVA", "1950", "A047", true},  // no date known: the first line
                                         {"REGGIO NELL'EMILIA", "1850", "H223", false}}) {
    const auto at = places.ComuneAt(c.name, *PlaceDay(c.birth));
    EXPECT_EQ(at.code, c.code) << c.name << " " << c.birth;
    EXPECT_EQ(places.NameHeldOn(c.name, c.code.empty() ? "C337" : c.code, *PlaceDay(c.birth)), c.held) << c.name;
  }
  EXPECT_EQ(places.CodComune("BELLAGIO"), "M335");  // undated: the one that bears the name today
  const auto castro = places.ComuneAt("CASTRO", day(1, 1, 1980)).candidates;
  ASSERT_EQ(castro.size(), 2U);
  EXPECT_EQ(CandidateText("CASTRO", castro[0]) + " | " + CandidateText("CASTRO", castro[1]), "CASTRO (BG) | CASTRO (LE, dal 1975)");
  std::vector<std::string> acquaviva;
  for (const char* name : {"ACQUAVIVA DELLE FONTI", "ACQUAVIVA PICENA", "ACQUAVIVA PLATANI", "ACQUAVIVA D'ISERNIA"}) {
    const auto& periods = ReferenceTables{std::filesystem::path(NEROVALE_SOURCE_DIR)}.Snapshot().ComuneAt(name, day(1, 1, 1865));
    EXPECT_TRUE(periods.candidates.empty()) << name;
    acquaviva.push_back(periods.code);
  }
  EXPECT_EQ(acquaviva, (std::vector<std::string>{"A048", "A047", "A049", "A051"}));
  EXPECT_EQ(CandidateText("ACQUAVIVA D'ISERNIA", {"A051", "CB", 18610317, 19280531}), "ACQUAVIVA D'ISERNIA (CB, fino al 1928)");
  EXPECT_EQ(CandidateText("X", {"A051", "", 19460426, 19700302}), "X (1946-1970)");

  // A row gets each place's code at its day; the notes say what is odd and refuse nothing.
  SubjectRow row{};
  row[kComuneNascita] = "CASTRO", row[kDataNascita] = "05/03/1980", row[kCodNazioneNascita] = "Z000";
  row[kComuneDecesso] = "BELLAGIO", row[kDataDecesso] = "10/01/2024", row[kCodNazioneDecesso] = "Z000";
  row[kComuneAtto] = "REGGIO NELL'EMILIA";
  const auto choices = DatePlaces(row, places);
  ASSERT_EQ(choices.size(), 1U);
  EXPECT_EQ(choices[0].code_column, kCodComuneNascita);
  EXPECT_EQ(row[kCodComuneNascita] + row[kCodComuneDecesso] + row[kCodComuneAtto], "M335H223");
  EXPECT_EQ(PlaceNotes(row, places), std::vector<std::string>{"il comune di nascita CASTRO al 05/03/1980 indica più "
                                                              "comuni: CASTRO (BG) C337, CASTRO (LE, dal 1975) M261"});
  row[kCodComuneNascita] = "M261";
  row[kCodiceFiscale] = "RSSMRA80C05C33TU";  // C337 with its last digit as omocodia letter
  row[kDataDecesso] = "10/01/1860";
  EXPECT_EQ(PlaceNotes(row, places),
            (std::vector<std::string>{"il comune di decesso BELLAGIO non aveva il codice M335 al 10/01/1860",
                                      "il comune dell'atto di morte REGGIO NELL'EMILIA non aveva il codice H223 al 10/01/1860",
                                      "il codice fiscale indica il luogo di nascita C337, non M261 di CASTRO"}));
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
  // Blanks are never trimmed or compacted, and codes are compared exactly.
  for (auto [name, code] : {std::pair{"ALFA", "A001"}, {"BETA", "B002"}, {"citÀ", "C004"}, {"ALFA ", ""},
                            {"DE SANCTIS", ""}, {"DE  SANCTIS", "D003"}}) {
    EXPECT_EQ(tables.CodComune(name), code) << name;
  }
  EXPECT_EQ(tables.DescComune("A001").value, "ALFA");
  EXPECT_EQ(tables.DescComune("a001").value + tables.DescComune("").value, "");
  EXPECT_EQ(tables.ComuniNames(),
            (std::vector<std::string>{"ALFA", "BETA", "ALFA", "GAMMA", "DE  SANCTIS", "CITÀ", "PÈRO", "PÉRO"}));
  EXPECT_EQ(tables.ComuneLike("cita"), "CITÀ");
  EXPECT_EQ(tables.ComuneLike("PERO"), "");  // two names differ from it only by marks: neither is guessed
  EXPECT_EQ(tables.ComuneLike("ALFA"), "ALFA");  // a name given twice is still one name
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
