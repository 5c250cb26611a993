#include "import/csv_import.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "temp_dir.h"

namespace nerovale::import {
namespace {

using testing::TempDir;

const std::string kExample = "rossi,mario,m,5/3/1931,roma,,,,,10/1/2024,,roma,,12,roma,2024,7";

class CsvImport : public ::testing::Test {
 protected:
  TempDir dir;
  reference::ReferenceTables tables{std::filesystem::path(NEROVALE_SOURCE_DIR)};
  ImportResult Import(const std::string& bytes, int progressivo = 0) {
    return ImportCsv(dir.Write("import.csv", bytes), progressivo, tables);
  }
};

// The worked example, with commas and with semicolons: each line decides its own separator.
TEST_F(CsvImport, TheWorkedExampleLineAndSeparatorsDecidedPerLine) {
  std::string semicolons = kExample;
  std::replace(semicolons.begin(), semicolons.end(), ',', ';');
  const auto result = Import(kExample + "\r\n" + semicolons + "\r\n" +
                             "bianchi;anna;f;1950;;sao paulo, sp;brasile;;;1/2/2020;;roma;;1,2;roma;2020;8\r\n", 3);
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.rows.size(), 3U);
  SubjectRow expected{{"4", "ROSSI", "MARIO", "M", "05/03/1931", "ROMA", "H501", "", "ITALIA", "Z000", "", "",
                       "10/01/2024", "ITALIA", "Z000", "ROMA", "H501", "", "12", "ROMA", "H501", "2024", "7"}};
  EXPECT_EQ(result.rows[0], expected);
  expected[kNumero] = "5";
  EXPECT_EQ(result.rows[1], expected);
  EXPECT_EQ(result.rows[2][kComuneEsteroNascita], "SAO PAULO, SP");
  EXPECT_EQ(result.rows[2][kAttoMorte], "1,2");
  EXPECT_EQ(result.rows[2][kDataNascita], "1950");
  EXPECT_EQ(result.rows[2][kCodNazioneNascita], "Z602");
}

TEST_F(CsvImport, WrongFieldCountsFailAtTheirLine) {
  const std::string sixteen = "a,b,m,1950,,,,,,1/1/2020,,roma,,1,roma,2020";
  const std::string eighteen = sixteen + ",7,8";
  EXPECT_EQ(Import(kExample + "\r\n" + kExample + "\r\n" + sixteen + "\r\n" + kExample + "\r\n").failed_line, 3);
  EXPECT_EQ(Import(kExample + "\n" + eighteen + "\n").failed_line, 2);
  const auto blank_line = Import(kExample + "\r\n\r\n" + kExample + "\r\n");
  EXPECT_FALSE(blank_line.ok);
  EXPECT_EQ(blank_line.failed_line, 2);
  EXPECT_TRUE(blank_line.rows.empty());
  EXPECT_EQ(ImportCsv(dir / "missing.csv", 0, tables).failed_line, 0);
  // The message says what is wrong with the line, besides where.
  EXPECT_EQ(ImportFailureText(Import(kExample + "\n" + eighteen + "\n"), 0),
            ImportFailureText(2) + "\r\nLa riga 2 ha 18 campi; ne servono 17.");
  const auto one_field = Import("solo cognome\n");
  EXPECT_EQ(one_field.fault, ImportFault::kFieldCount);
  EXPECT_TRUE(ImportFailureText(one_field, 0).ends_with("La riga 1 ha 1 campo; ne servono 17."));
  EXPECT_EQ(ImportDoneText(0), "Il file è vuoto.");
  EXPECT_EQ(ImportDoneText(1), "Importato 1 soggetto.");
  EXPECT_EQ(ImportDoneText(2), "Importati 2 soggetti.");
}

TEST_F(CsvImport, ValuesAndDates) {
  const auto result = Import(
      "  de   santis ,mario,m,1931,roma,,,,,1931,,roma,,12,roma,2024,7\r\n"
      "rossi,mario,m,31/02/1931,roma,,italia,,,5-3-2020,francia,,parigi,12,roma,2024,7\r\n"
      "rossi,mario,m,1931-03-05,roma,,,,,2020-03-05,,roma,,12,roma,2024,7\r\n"
      "rossi,mario,m,05/03/31,roma,,,,,05/03/20,,roma,,12,roma,2024,7\r\n"
      "COGNOME,NOME,SESSO,NASCITA,COMUNE,ESTERO,NAZIONE,CF,PADRE,DECESSO,NAZ,COM,EST,ATTO,COMATTO,ANNO,NUM");
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.rows.size(), 5U);
  // A year alone is no death date, 31/02 no day, two-digit years are never guessed, and a title line
  // is a subject like any other.
  for (const auto& [row, column, cell] : {std::tuple{0, kCognome, "DE SANTIS"}, {0, kDataNascita, "1931"},
                                          {0, kDataDecesso, ""}, {1, kDataNascita, ""}, {1, kDataDecesso, "05/03/2020"},
                                          {1, kNazioneDecesso, "FRANCIA"}, {1, kCodNazioneDecesso, "Z110"},
                                          {1, kCodComuneDecesso, ""}, {2, kDataNascita, "05/03/1931"},
                                          {2, kDataDecesso, "05/03/2020"}, {3, kDataNascita, ""}, {3, kDataDecesso, ""},
                                          {4, kCognome, "COGNOME"}, {4, kCodNazioneNascita, ""}}) {
    EXPECT_EQ(result.rows[row][column], cell) << "row " << row << ", column " << column;
  }
}

TEST_F(CsvImport, EncodingsAndLineEnds) {
  const std::string cp1252 = "forl\xEC,nicol\xF2,m,1950,forl\xEC,,,,,1/1/2020,,roma,,1,roma,2020,7";
  const std::string utf8 = "forlì,nicolò,m,1950,forlì,,,,,1/1/2020,,roma,,1,roma,2020,7";
  for (const std::string& bytes : {cp1252, utf8, "\xEF\xBB\xBF" + utf8}) {
    const auto result = Import(bytes + "\n");
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.rows.size(), 1U);
    EXPECT_EQ(result.rows[0][kCognome], "FORLÌ");  // no byte-order mark left in the first value
    EXPECT_EQ(result.rows[0][kNome], "NICOLÒ");
    EXPECT_EQ(result.rows[0][kCodComuneNascita], "D704");
  }
  // A place written without its marks takes the table's name and code; an unknown one stays as written.
  const auto plain = Import("a,b,m,1950,forli,,,,,1/1/2020,,cantu,,1,xyz,2020,7\n").rows.at(0);
  EXPECT_EQ(std::tie(plain[kComuneNascita], plain[kCodComuneNascita]), std::tie("FORLÌ", "D704"));
  EXPECT_EQ(plain[kComuneDecesso], "CANTÙ");
  EXPECT_EQ(std::tie(plain[kComuneAtto], plain[kCodComuneAtto]), std::tie("XYZ", ""));
  EXPECT_EQ(Import(kExample + "\n" + kExample).rows.size(), 2U);  // the last line needs no line break
  EXPECT_EQ(Import(kExample + "\r" + kExample + "\r\n" + kExample + "\r").rows.size(), 3U);  // a lone CR ends a line
  EXPECT_EQ(Import(kExample + "\r\r" + kExample).failed_line, 2);  // and two make an empty line
  const auto empty = Import("");
  EXPECT_TRUE(empty.ok && empty.rows.empty());
}

// What is not a file of subjects fails at once, without being read whole or waited on: a line too
// long at its line, and what is no regular file (a device, a FIFO, a folder) or none at all before
// any line, told as such and not as a fault of the lines.
TEST_F(CsvImport, FilesThatAreNotTextFailAtOnce) {
  const auto long_line = Import(kExample + "\n" + std::string(100'000, 'a') + "\n");
  EXPECT_EQ(long_line.failed_line, 2);
  EXPECT_EQ(long_line.fault, ImportFault::kLineTooLong);
  EXPECT_TRUE(ImportFailureText(long_line, 0).ends_with("La riga 2 è più lunga di 64 KiB."));
  // A document or a program: a NUL byte in its first line, or in a line longer than any of text.
  for (const std::string& binary : {std::string("PK\x03\x04\0\0,", 7) + "\n", "%PDF" + std::string(70'000, '\0')}) {
    const auto result = Import(binary);
    EXPECT_EQ(result.fault, ImportFault::kNotText);
    EXPECT_TRUE(ImportFailureText(result, 0).ends_with("\r\nIl file non è un file di testo."));
  }
  // A line of 64 KiB exactly is still a line (its surname then fails the check of the table).
  EXPECT_EQ(Import(std::string(65536 - kExample.size(), 'x') + kExample + "\n").fault, ImportFault::kNone);
  ASSERT_EQ(::mkfifo((dir / "fifo.csv").c_str(), 0600), 0);
  const std::pair<std::filesystem::path, const char*> cases[] = {{"/dev/zero", "non è un file ordinario"}, {dir / "fifo.csv", "non è un file ordinario"},
               {dir.path(), "al suo posto c'è una cartella"}, {dir / "missing.csv", "non esiste"}};
  for (const auto& [file, reason] : cases) {
    const auto result = ImportCsv(file, 0, tables);
    EXPECT_EQ(result.fault, ImportFault::kUnreadable) << file;
    EXPECT_EQ(result.failed_line, 0) << file;
    const std::string text = ImportFailureText(result, 0);
    EXPECT_TRUE(text.starts_with("Impossibile leggere il file importato: ")) << text;
    EXPECT_NE(text.find(reason), std::string::npos) << text;
  }
}

TEST_F(CsvImport, TableGrowsTo32766SubjectsAtMost) {
  const std::string two = kExample + "\r\n" + kExample + "\r\n";
  EXPECT_TRUE(Import(two, 32764).ok);
  const auto over = Import(two, 32765);
  EXPECT_EQ(over.failed_line, 2);
  EXPECT_EQ(over.fault, ImportFault::kTableFull);
  EXPECT_EQ(ImportFailureText(over, 32765),
            ImportFailureText(2) + "\r\nLa comunicazione può ricevere ancora 1 soggetto da file (al massimo 32766).");
  EXPECT_TRUE(ImportFailureText(over, 32766).ends_with("ancora 0 soggetti da file (al massimo 32766)."));
  EXPECT_EQ(ImportFailureText(3),
            "Errore nel file importato alla riga 3\r\nVerificare i separatori, la lunghezza\r\nla quantità e il contenuto dei dati");
}

// A control character would shift or split the cells of the grid and of its clipboard format.
TEST_F(CsvImport, ALineWithAControlCharacterIsRefused) {
  for (const char* control : {"\t", "\v", "\f", "\x01", "\x1F", "\x7F"}) {
    const auto result = Import(kExample + "\r\nros" + control + "si" + kExample.substr(5) + "\r\n");
    EXPECT_EQ(result.failed_line, 2) << int(control[0]);
    EXPECT_EQ(result.fault, ImportFault::kControlCharacter) << int(control[0]);
    EXPECT_TRUE(result.rows.empty());
    EXPECT_TRUE(ImportFailureText(result, 0).ends_with("La riga 2 contiene un carattere di controllo."));
  }
}

TEST_F(CsvImport, MissingReferenceTableFailsTheFirstLine) {
  TempDir empty;
  reference::ReferenceTables none(empty.path());
  EXPECT_EQ(ImportCsv(dir.Write("import.csv", kExample), 0, none).failed_line, 1);
  EXPECT_TRUE(ImportCsv(dir.Write("empty.csv", ""), 0, none).ok);
}

}  // namespace
}  // namespace nerovale::import
