#include "archive/table_lines.h"
#include "archive/table_update.h"

#include <gtest/gtest.h>

#include "archive_fixture.h"

namespace nerovale::archive {
namespace {

std::vector<std::string> Texts(const std::vector<TableLine>& lines) {
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.name + "," + line.code);
  return texts;
}

// The archive's table, and the update of a current table with it, which keeps what the archive cannot
// speak for.
TEST(MunicipalityTable, FromTheArchiveExtract) {
  const auto reading = ReadMunicipalityArchive(testing::DataFile("anpr_extract.csv"));
  ASSERT_TRUE(reading.status) << reading.status.message();
  const std::vector<TableLine> current = {{"ROMA", "H501"}, {"ABANO BAGNI", "A001"}, {"CALLIANO", "B418"},
                                          {"DOBERDÒ", "D312"}, {"SAVOGNA", "M436"}, {"SAVOGNA", "I479"}};
  const std::vector<std::string> expected = {
      "ABANO,A001",                              // former name of ABANO TERME
      "ABANO BAGNI,A001",                        // kept: a former name the archive does not list
      "ABANO TERME,A001",                        // current
      "ARIZZANO,A409",                           // current; its record without code is left out
      "CALLIANO,B419",                           // current (TN); the former CALLIANO,B418 (AT) goes, code changed
      "CALLIANO MONFERRATO,B418",                // current, the former CALLIANO (AT)
      "DOBERDÒ,D312",                            // former name, in both
      "DOBERDÒ DEL LAGO,D312",                   // the Italian name alone of the bilingual one
      "DOBERDÒ DEL LAGO-DOBERDOB,D312",          // current, bilingual
      "POZZA DI FASSA,G950",                     // merged into SÈN JAN DI FASSA
      "ROMA,H501",                               // kept: a code the archive does not list
      "SAN GIOVANNI DI FASSA,M390",              // the Italian name alone
      "SAN GIOVANNI DI FASSA-SÈN JAN,M390",      // current: the merged municipality renamed
      "SAVOGNA,I479",                            // kept as the table has the name, since it gives the name a
      "SAVOGNA,M436",                            // code the archive does not list (newer): no SAVOGNA,I478
      "SAVOGNA D'ISONZO,I479",                   // the Italian name alone, and a former name
      "SAVOGNA D'ISONZO-SOVODNJE OB SOCI,I479",  // current; Č is outside Windows-1252
      "SÈN JAN DI FASSA,M390",                   // former name of the merged municipality
      "VIGO DI FASSA,L893",                      // merged into SÈN JAN DI FASSA
  };
  const UpdatedTable updated = UpdateMunicipalityTable(current, reading.archive.records);
  EXPECT_EQ(Texts(updated.lines), expected);
  EXPECT_EQ(Texts(updated.kept),
            (std::vector<std::string>{"ABANO BAGNI,A001", "ROMA,H501", "SAVOGNA,I479", "SAVOGNA,M436"}));
}

TEST(MunicipalityTable, ItalianNameAloneOnlyForABilingualName) {
  const auto current = [](const char* name, const char* transliterated, const char* other) {
    return ArchiveRecord{1, "X001", name, transliterated, other, true};
  };
  // Why each: the second name alone after the dash; a second name with the titles of both languages;
  // a name with a dash in both languages is one name; the second name must be a whole word of the other;
  // an Italian name outside Windows-1252 takes its transliteration; a ceased bilingual name stays whole.
  const std::pair<ArchiveRecord, std::vector<std::string>> cases[] = {
      {current("SGONICO-ZGONIK", "SGONICO-ZGONIK", "ZGONIK"), {"SGONICO,X001", "SGONICO-ZGONIK,X001"}},
      {current("DUINO AURISINA-DEVIN NABREŽINA", "DUINO AURISINA-DEVIN NABREZINA",
               "COMUNE DI DUINO AURISINA-OBCINA DEVIN NABREŽINA"),
       {"DUINO AURISINA,X001", "DUINO AURISINA-DEVIN NABREŽINA,X001"}},
      {current("CASTELBELLO-CIARDES", "CASTELBELLO-CIARDES", "KASTELBELL-TSCHARS"), {"CASTELBELLO-CIARDES,X001"}},
      {current("ALFA-BETA", "ALFA-BETA", "ALFABETA"), {"ALFA-BETA,X001"}},
      {current("ČERNA-ZGORA", "CERNA-ZGORA", "ZGORA"), {"CERNA,X001", "CERNA-ZGORA,X001"}},
      {{1, "X001", "SGONICO-ZGONIK", "SGONICO-ZGONIK", "ZGONIK", false}, {"SGONICO-ZGONIK,X001"}},
  };
  for (const auto& [record, lines] : cases) EXPECT_EQ(Texts(BuildMunicipalityTable({record})), lines) << record.name;
}

TEST(MunicipalityTable, OrderOfTheShippedTable) {
  // Neighbouring lines of the shipped table that a plain byte order would swap.
  const std::pair<TableLine, TableLine> cases[] = {
      {{"CITTÀ SANT'ANGELO", "C750"}, {"CITTADELLA", "C743"}},  // À beside A
      {{"AGLIÈ", "A074"}, {"AGLIENTU", "H848"}},                // a shorter name first
      {{"SUSA", "L013"}, {"SUSÀ", "L012"}},                     // plain before accented, whatever the code
      {{"TRESCHÈ CONCA", "L387"}, {"TRESCHE-CONCA", "L387"}},   // the blank before the dash
      {{"SANT'AGATA", "I196"}, {"SANTA CATERINA", "I169"}},     // the apostrophe before the letters
      {{"ABBADIA", "A002"}, {"ABBADIA", "A003"}},               // one name by its codes
      {{"MAZZARÀ", "F066"}, {"MAZZARINO", "F065"}},             // the name before the code
  };
  for (const auto& [first, second] : cases) {
    EXPECT_TRUE(ComesBefore(first, second) && !ComesBefore(second, first)) << first.name << " " << second.name;
  }
}

}  // namespace
}  // namespace nerovale::archive
