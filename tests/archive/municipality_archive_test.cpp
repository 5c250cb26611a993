#include "archive/municipality_archive.h"

#include <gtest/gtest.h>

#include <tuple>

#include "archive_fixture.h"

namespace nerovale::archive {
namespace {

using testing::Replaced;

auto Fields(const ArchiveRecord& r) {
  return std::tie(r.line, r.code, r.name, r.transliterated, r.other_name, r.current);
}

TEST(MunicipalityArchive, BothReleaseLayoutsGiveTheSameRecords) {
  const auto extract = ReadMunicipalityArchive(testing::DataFile("anpr_extract.csv"));
  const auto other = ReadMunicipalityArchive(testing::DataFile("anpr_extract_other_release.csv"));
  for (const auto* reading : {&extract, &other}) {
    ASSERT_TRUE(reading->status) << reading->status.message();
    EXPECT_EQ(reading->archive.records.size(), 34U);
    EXPECT_EQ(reading->archive.current_count, 8U);
    EXPECT_EQ(reading->archive.without_code, 1U);  // ARIZZANO before 1911, "ND"
  }
  for (std::size_t i = 0; i < extract.archive.records.size(); ++i) {
    EXPECT_EQ(Fields(other.archive.records[i]), Fields(extract.archive.records[i])) << "record " << i;
  }
}

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

}  // namespace
}  // namespace nerovale::archive
