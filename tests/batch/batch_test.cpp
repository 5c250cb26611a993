// Runs of nerovale-batch in a temporary working directory: in the process through RunBatch, and once
// as the executable an office calls.
#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <sstream>

#include "csv_fixture.h"
#include "pdf_text.h"
#include "summary/sha256.h"
#include "temp_dir.h"

namespace nerovale::batch {
namespace {

using testing::TempDir;

class Batch : public ::testing::Test {
 protected:
  TempDir work;
  TempDir dest;
  std::string out, err;

  Batch() {
    const std::filesystem::path source(NEROVALE_SOURCE_DIR);
    std::filesystem::create_directories(work / "ref");
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "validate.xsd"}) {
      std::filesystem::copy_file(source / "ref" / file, work / "ref" / file);
    }
    work.Write("config.ini", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
    work.Write("good.csv", testing::kGoodCsv);
  }

  int Run(std::vector<std::string> args) {
    std::ostringstream out_stream, err_stream;
    const files::LocalDateTime now{*dates::MakeDate(6, 12, 2026), 10, 30};
    const int status = RunBatch(args, {work.path(), now, out_stream, err_stream});
    out = out_stream.str();
    err = err_stream.str();
    return status;
  }
  int RunOn(const std::vector<std::string>& csv, const std::string& data = "30/11/2026") {
    std::vector<std::string> args = {"--numero", "123", "--data", data, "--dest", dest.path().string()};
    args.insert(args.end(), csv.begin(), csv.end());
    return Run(args);
  }
  std::vector<std::filesystem::path> Written() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dest.path())) files.push_back(entry.path());
    return files;
  }
  bool Says(const std::string& text, const std::string& where) { return where.find(text) != std::string::npos; }
};

TEST_F(Batch, TheExecutableWritesOneFolderWithOneValidFile) {
  const std::string command = "cd '" + work.path().string() + "' && '" NEROVALE_BATCH "' --numero 123 --data 5/3/2026 --dest '" +
                              dest.path().string() + "' good.csv > out.txt 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kWritten) << testing::ReadFile(work / "out.txt");
  EXPECT_TRUE(Says("XML validato e salvato con successo!\nIl file si trova", testing::ReadFile(work / "out.txt")));
  const auto written = Written();
  ASSERT_EQ(written.size(), 2U);  // the folder and the file in it
  const auto file = *std::max_element(written.begin(), written.end());
  EXPECT_EQ(file.filename(), "nerovale_123_20260305.xml");  // the date written as the window writes it
  EXPECT_EQ(testing::ReadFile(work / "config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 4);  // nothing new beside it
}

// Refused rows name their file, their line and what they fail, after the window's own message.
TEST_F(Batch, RefusedRowsNameTheirFileLineAndReasons) {
  std::string second = testing::kGoodCsv;
  second += "verdi,anna,x,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,2020,9\r\n";  // sex X
  second += "neri,luca,m,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,,9\r\n";      // no protocol year
  work.Write("second.csv", second);
  EXPECT_EQ(RunOn({"good.csv", "second.csv"}), kRefused);
  EXPECT_TRUE(Says("Sono stati riscontrati errori nei Soggetti alle seguenti righe: 5 , 6\n"
                   "second.csv:3: riga 5: Sesso non specificato o diverso da M e F; Codice Fiscale non inserito o non valido\n"
                   "second.csv:4: riga 6: Anno Protocollo non inserito o non valido; Codice Fiscale non inserito o non valido\n",
                   out))
      << out;
  EXPECT_TRUE(Written().empty());
}

TEST_F(Batch, RefusedDataExitWithOne) {
  work.Write("short.csv", "a;b;c\r\n");
  EXPECT_EQ(RunOn({"good.csv", "short.csv"}), kRefused);
  EXPECT_TRUE(Says("short.csv:\nErrore nel file importato alla riga 1\nVerificare i separatori", out)) << out;
  EXPECT_EQ(RunOn({"good.csv"}, "31/02/2026"), kRefused);
  EXPECT_TRUE(Says("- Data comunicazione non immessa o non valida", out)) << out;
  EXPECT_EQ(RunOn({"good.csv"}, "03/0012"), kRefused);  // a month and year is no notice date
  EXPECT_EQ(RunOn({"/dev/zero"}), kRefused);
  EXPECT_TRUE(Says("Errore nel file importato alla riga 1", out)) << out;
  EXPECT_TRUE(Written().empty());
}

// Whatever is wrong around the data stops the run before any work, with exit status 2 and a reason.
TEST_F(Batch, EnvironmentFaultsExitWithTwoBeforeAnyWork) {
  const struct Case {
    const char* why;
    const char* config;
    const char* removed;
    const char* says;
  } cases[] = {
      {"unknown municipality", "Z999\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", "", "Comune con codice \"Z999\" non presente"},
      {"no municipality", "\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", "", "- Comune non configurato"},
      {"no contact person", "H501\r\n\r\n\r\n", "", "- Cognome del Referente non inserito"},
      {"damaged config.ini", "H501\r\nBIAN\x01" "CHI\r\nLUCIA\r\n\r\n\r\n", "", "danneggiato alla riga 2"},
      {"no config.ini", nullptr, "", "Impossibile leggere il file"},
      {"no country table", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", "ref/FileCodStati.txt", "FileCodStati.txt"},
      {"no schema", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", "ref/validate.xsd", "validate.xsd"},
      {"73-character contact name", "H501\r\nBIANCHI\r\nLUCIAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\r\n\r\n\r\n", "",
       "più lungo di 72 caratteri"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(work / "config.ini");
    if (c.config != nullptr) work.Write("config.ini", c.config);
    const auto removed = work / c.removed;
    const std::string saved = *c.removed != 0 ? testing::ReadFile(removed) : "";
    if (*c.removed != 0) std::filesystem::remove(removed);
    EXPECT_EQ(RunOn({"good.csv"}), kFault) << c.why;
    EXPECT_TRUE(Says(c.says, err)) << c.why << ": " << err;
    if (*c.removed != 0) work.Write(c.removed, saved);
  }
  EXPECT_TRUE(Written().empty());

  EXPECT_EQ(Run({"--numero", "12/3", "--data", "30/11/2026", "--dest", ".", "good.csv"}), kFault);
  EXPECT_EQ(Run({"--numero", "123", "good.csv"}), kFault);
  EXPECT_EQ(Run({"--numero", "123", "--data", "30/11/2026", "--dest", "missing", "good.csv"}), kFault);
  EXPECT_EQ(Run({"--help"}), kWritten);
  EXPECT_TRUE(Says("Codici di uscita", out));

  work.Write("config.ini", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
  work.Write("ref/validate.xsd", "<xs:schema");  // broken: found before any work
  EXPECT_EQ(RunOn({"good.csv"}), kFault);
  EXPECT_TRUE(Says("validate.xsd", err)) << err;
}

// The output step: a notice its schema refuses is refused data, a destination that cannot take it is
// the surroundings.
TEST_F(Batch, TheOutputStepTellsRefusedDataFromAFaultAround) {
  work.Write("ref/validate.xsd",  // a usable schema that wants another root
             "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"ALTRO\"/></xs:schema>");
  EXPECT_EQ(RunOn({"good.csv"}), kRefused);
  EXPECT_TRUE(Says("LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE", out)) << out;
  EXPECT_TRUE(Written().empty());

  std::filesystem::copy_file(std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd", work / "ref" / "validate.xsd",
                             std::filesystem::copy_options::overwrite_existing);
  const pid_t child = ::fork();  // a disk that takes no more than 100 bytes, in a child alone
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(RunOn({"good.csv"}) == kFault && Says("il file è troppo grande per il disco", err) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(Written().empty());
}

// The summary comes only after a validated notice; one that cannot be written is a fault of the
// surroundings, and the notice stays as it was written.
TEST_F(Batch, SummaryFollowsAValidatedNoticeAndItsFailureLeavesTheNotice) {
  const auto summary = work / "riepilogo.pdf";
  const auto with_summary = [this](const std::string& pdf, const std::string& csv) {
    return Run({"--numero", "123", "--data", "30/11/2026", "--dest", dest.path().string(), "--riepilogo", pdf, csv});
  };
  EXPECT_EQ(with_summary("riepilogo.pdf", "good.csv"), kWritten) << err;
  EXPECT_EQ(testing::ReadFile(summary).substr(0, 5), "%PDF-");
  const auto written = Written();
  const auto file = *std::max_element(written.begin(), written.end());
  const std::string text = testing::PdfText(summary);
  EXPECT_TRUE(Says("ROSSI MARIO", text) && Says("DUPONT JEAN", text) && Says("pagina 1 di 1", text)) << text;
  EXPECT_TRUE(Says(*summary::FileSha256Hex(file), text));
  std::filesystem::remove_all(dest.path() / written.front().filename());

  work.Write("bad.csv", "verdi,anna,x,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,2020,9\r\n");
  std::filesystem::remove(summary);
  EXPECT_EQ(with_summary("riepilogo.pdf", "bad.csv"), kRefused);
  EXPECT_FALSE(std::filesystem::exists(summary));

  EXPECT_EQ(with_summary("missing/riepilogo.pdf", "good.csv"), kFault);  // checked before any work
  EXPECT_TRUE(Written().empty());

  std::filesystem::create_directory(summary);  // nothing can take its place
  EXPECT_EQ(with_summary("riepilogo.pdf", "good.csv"), kFault);
  EXPECT_TRUE(Says("Il riepilogo non è stato scritto", err) && Says("resta scritto e validato", err)) << err;
  EXPECT_EQ(Written().size(), 2U);  // the notice folder and its file
}

}  // namespace
}  // namespace nerovale::batch
