// The archive of the municipalities: its CSV, its records, and the table of names and codes made from
// it.
#include "archive/csv_reader.h"
#include "archive/municipality_archive.h"
#include "archive/table_lines.h"
#include "archive/table_file.h"
#include "archive/table_update.h"
#include "archive/update_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "archive_fixture.h"
#include "core/text_file.h"
#include "reference/reference_tables.h"
#include "temp_dir.h"

namespace nerovale::archive {
namespace {

// Values plain or quoted, records over one or more lines, and where a malformed one stops the reading.
TEST(CsvReader, QuotedAndPlainValuesAndWhereRecordsStart) {
  // lines: where each record starts, then where the malformed one does, if any.
  const struct { const char* why; std::string_view text; std::vector<std::vector<std::string>> records;
                 std::vector<std::size_t> lines; bool malformed = false; } cases[] = {
      {"the archive's mix of plain and quoted values", "12560,\"ABANO\",\"\",,28\n",
       {{"12560", "ABANO", "", "", "28"}}, {1}},
      {"commas and doubled quotes inside quotes", "\"A, B\",\"O\"\"\"\n", {{"A, B", "O\""}}, {1}},
      {"CR LF or LF, and none at the end", "A,B\r\nC\nD", {{"A", "B"}, {"C"}, {"D"}}, {1, 2, 3}},
      {"a quoted line break: the next record starts two lines on", "\"A\nB\",C\nD\n", {{"A\nB", "C"}, {"D"}}, {1, 3}},
      {"a lone CR is text, a blank line one empty value", "A\rB\n\nC\n", {{"A\rB"}, {""}, {"C"}}, {1, 2, 3}},
      {"a quote that never closes", "A\n\"B,C\nD\n", {{"A"}}, {1, 2}, true},
      {"text after a closing quote", "A\n\"B\"C,D\n", {{"A"}}, {1, 2}, true},
      {"a quote inside a value without quotes", "A\nB\"C\"\n", {{"A"}}, {1, 2}, true},
  };
  for (const auto& c : cases) {
    CsvReader reader(c.text);
    std::vector<std::vector<std::string>> records;
    std::vector<std::size_t> lines;
    std::vector<std::string> fields;
    CsvReader::Outcome outcome;
    while ((outcome = reader.Next(fields)) == CsvReader::Outcome::kRecord) {
      records.push_back(fields);
      lines.push_back(reader.line());
    }
    if (outcome == CsvReader::Outcome::kMalformed) lines.push_back(reader.line());
    EXPECT_EQ(outcome == CsvReader::Outcome::kMalformed, c.malformed) << c.why;
    EXPECT_EQ(records, c.records) << c.why;
    EXPECT_EQ(lines, c.lines) << c.why;
  }
}

using testing::Replaced;

auto Fields(const ArchiveRecord& r) {
  return std::tie(r.line, r.code, r.name, r.transliterated, r.other_name, r.current);
}

// A file that is not the archive, or not a regular file, is refused as a whole, naming the file and the
// line at fault.
TEST(MunicipalityArchive, RefusesWhatIsNotTheArchiveNamingFileAndLine) {
  const std::string extract = testing::ArchiveExtract();
  const std::tuple<const char*, std::string, const char*> cases[] = {
      {"a column missing", Replaced(extract, "\"DENOMTRASLITTERATA\"", "\"TRASLITTERATA\""),
       "manca la colonna DENOMTRASLITTERATA"},
      {"no current municipality", Replaced(extract, "\"A\",\"", "\"C\",\""), "nessun comune attuale"},
      {"a code not a letter and three digits", Replaced(extract, "\"A409\"", "\"A40\""),
       "riga 5, codice catastale \"A40\""},
      {"a comma would split the table's line", Replaced(extract, "\"ABANO TERME\",\"ABANO", "\"ABANO, T\",\"ABANO"),
       "riga 3, denominazione con una virgola"},
      {"Č without transliteration", Replaced(extract, "\"SAVOGNA D'ISONZO-SOVODNJE OB SOCI\"", "\"\""),
       "riga 31, denominazione non scrivibile"},
      {"a record of another width", extract + "1,\"2\"\n", "riga 37, 2 valori invece di 18"},
      {"saved again as Windows-1252", Replaced(extract, "DOBERDÒ", "DOBERD\xD2"), "non è in UTF-8"},
  };
  for (const auto& [why, bytes, message] : cases) {
    const auto reading = ParseMunicipalityArchive(bytes, "anpr.csv");
    EXPECT_TRUE(reading.status.message().starts_with("Il file anpr.csv non è l'archivio dei comuni: ")) << why;
    EXPECT_NE(reading.status.message().find(message), std::string::npos) << why << ": " << reading.status.message();
    EXPECT_TRUE(reading.archive.records.empty()) << why;
  }
  testing::TempDir dir;
  for (const auto& file : {dir / "missing.csv", dir.path(), std::filesystem::path("/dev/zero")}) {
    EXPECT_TRUE(ReadMunicipalityArchive(file).status.message().starts_with("Impossibile leggere il file " + file.string() + ": "));
  }
}

std::vector<std::string> Texts(const std::vector<TableLine>& lines) {
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.name + "," + line.code);
  return texts;
}

// The archive as published in either of its two layouts (columns in another order, other quoting) gives
// the same records; the table made from them, and the update of a current table with it, which keeps
// what the archive cannot speak for.
TEST(MunicipalityTable, FromTheArchiveExtract) {
  const auto reading = ReadMunicipalityArchive(testing::DataFile("anpr_extract.csv"));
  const auto other = ReadMunicipalityArchive(testing::DataFile("anpr_extract_other_release.csv"));
  for (const auto* read : {&reading, &other}) {
    ASSERT_TRUE(read->status) << read->status.message();
    EXPECT_EQ(read->archive.records.size(), 34U);
    EXPECT_EQ(read->archive.current_count, 8U);
    EXPECT_EQ(read->archive.without_code, 1U);  // ARIZZANO before 1911, "ND"
  }
  for (std::size_t i = 0; i < reading.archive.records.size(); ++i)
    EXPECT_EQ(Fields(other.archive.records[i]), Fields(reading.archive.records[i])) << "record " << i;
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

// A current bilingual name gives its Italian name alone as well; other names with a dash do not.
TEST(MunicipalityTable, ItalianNameAloneOnlyForABilingualName) {
  const auto current = [](const char* name, const char* transliterated, const char* other) {
    return ArchiveRecord{1, "X001", name, transliterated, other, true, {}, {}, {}};
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
      {{1, "X001", "SGONICO-ZGONIK", "SGONICO-ZGONIK", "ZGONIK", false, {}, {}, {}}, {"SGONICO-ZGONIK,X001"}},
  };
  for (const auto& [record, lines] : cases) EXPECT_EQ(Texts(BuildMunicipalityTable({record})), lines) << record.name;
}

// Neighbouring lines of the shipped table that a plain byte order would swap.
TEST(MunicipalityTable, OrderOfTheShippedTable) {
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

// A merger recorded as an archive records it (the old code ceases the day before the new one begins,
// under the same name): the table keeps both codes, and a birth takes the code of its day.
TEST(MunicipalityTable, AMergerKeepsBothCodesEachForItsDays) {
  const std::string header =
      "\"DATAISTITUZIONE\",\"DATACESSAZIONE\",\"CODCATASTALE\",\"DENOMINAZIONE_IT\",\"DENOMTRASLITTERATA\","
      "\"ALTRADENOMINAZIONE\",\"STATO\",\"SIGLAPROVINCIA\"\n";
  const std::string extract = header +
                              "\"1866-11-19\",\"2018-12-31\",\"I879\",\"SOVIZZO\",\"SOVIZZO\",\"\",\"C\",\"VI\"\n"
                              "\"2019-01-01\",\"9999-12-31\",\"M401\",\"SOVIZZO\",\"SOVIZZO\",\"\",\"A\",\"VI\"\n"
                              "\"1866-11-19\",\"2018-12-31\",\"X123\",\"VILLA SOVIZZO\",\"VILLA SOVIZZO\",\"\",\"C\",\"VI\"\n";
  const auto reading = ParseMunicipalityArchive(extract, "fusione.csv");
  ASSERT_TRUE(reading.status) << reading.status.message();
  ASSERT_TRUE(reading.archive.dated);
  testing::TempDir dir;
  std::vector<std::string> table, validity;
  for (const auto& line : BuildMunicipalityTable(reading.archive.records)) table.push_back(line.name + "," + line.code);
  for (const auto& line : BuildValidityLines(reading.archive.records)) validity.push_back(ValidityLineText(line));
  EXPECT_EQ(table, (std::vector<std::string>{"SOVIZZO,I879", "SOVIZZO,M401", "VILLA SOVIZZO,X123"}));
  EXPECT_EQ(validity[0], "SOVIZZO,I879,VI,1866-11-19,2018-12-31,S");
  ASSERT_TRUE(text::WriteCp1252LinesAtomically(dir / "comuni.txt", table));
  ASSERT_TRUE(text::WriteCp1252LinesAtomically(dir / "validita.txt", validity));
  dir.Write("stati.txt", "ITALIA,Z000\r\n");
  reference::ReferenceTables tables(dir / "comuni.txt", dir / "stati.txt", dir / "validita.txt");
  const auto places = tables.Snapshot();
  EXPECT_EQ(places.ComuneAt("SOVIZZO", *dates::MakeDate(31, 12, 2018)).code, "I879");
  EXPECT_EQ(places.ComuneAt("SOVIZZO", *dates::MakeDate(1, 1, 2019)).code, "M401");
  EXPECT_EQ(places.DescComune("I879") + "|" + places.DescComune("X123"), "SOVIZZO|VILLA SOVIZZO");
  // A validity file that is not one is said, naming it; a missing one leaves the first line to speak.
  dir.Write("validita.txt", "SOVIZZO,I879,VI,1866-11-19\r\n");
  EXPECT_EQ(tables.Check().message(), "File di riferimento danneggiato: " + (dir / "validita.txt").string() +
                                          ": la riga 1 non è NOME,CODICE,PROVINCIA,DAL,AL,S|N");
  std::filesystem::remove(dir / "validita.txt");
  EXPECT_TRUE(tables.Check());
  EXPECT_EQ(tables.Snapshot().ComuneAt("SOVIZZO", *dates::MakeDate(1, 1, 2019)).code, "I879");
  // A day of the wrong form is refused with its line, a release without periods read without them.
  EXPECT_FALSE(ParseMunicipalityArchive(testing::Replaced(extract, "\"2018-12-31\"", "\"31/12/2018\""), "x").status);
  const auto undated = ParseMunicipalityArchive(testing::Replaced(extract, "\"SIGLAPROVINCIA\"", "\"SIGLA\""), "x");
  EXPECT_TRUE(undated.status && !undated.archive.dated);
}

// The whole archive: every current municipality shows its current name with the shipped files, and
// again after the shipped table is brought up to date with that archive (which then changes nothing).
TEST(MunicipalityTable, EveryCurrentCodeShowsItsCurrentName) {
  const auto reading = ReadMunicipalityArchive(testing::DataFile("ANPR_archivio_comuni.csv"));
  ASSERT_TRUE(reading.status) << reading.status.message();
  const auto count_shown = [&reading](const std::filesystem::path& folder) {
    const auto places = reference::ReferenceTables(folder).Snapshot();
    std::size_t shown = 0;
    for (const auto& record : reading.archive.records) {
      const std::string& name = places.DescComune(record.code);
      shown += record.current && (name == record.name || name == record.transliterated);
    }
    return shown;
  };
  const std::filesystem::path source(NEROVALE_SOURCE_DIR);
  EXPECT_EQ(count_shown(source), 7901U);
  // Without the validity file the first line of each code speaks; the update writes the file again.
  testing::TempDir app;
  std::filesystem::copy(source / "ref", app / "ref");
  std::filesystem::remove(ValidityTablePath(app.path()));
  EXPECT_LT(count_shown(app.path()), 7901U);
  std::istringstream in;
  std::ostringstream out, err;
  const std::string archive = testing::DataFile("ANPR_archivio_comuni.csv").string();
  EXPECT_EQ(RunTableUpdate({"--si", archive}, {app.path(), *dates::MakeDate(7, 12, 2026), in, out, err}), kDone) << err.str();
  EXPECT_NE(out.str().find("La tabella è già aggiornata"), std::string::npos) << out.str();
  EXPECT_EQ(testing::ReadFile(ValidityTablePath(app.path())), testing::ReadFile(ValidityTablePath(source)));
  EXPECT_EQ(count_shown(app.path()), 7901U);
}

}  // namespace
}  // namespace nerovale::archive
