// Runs of nerovale-batch in a temporary working directory: in the process through RunBatch, and once
// as the executable an office calls.
#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <functional>
#include <sstream>

#include "csv_fixture.h"
#include "output/schema_validation.h"
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

  std::function<int()> stop_signal;

  int Run(std::vector<std::string> args) {
    std::ostringstream out_stream, err_stream;
    const FixedClock clock({*dates::MakeDate(6, 12, 2026), 10, 30});
    const int status = RunBatch(args, {work.path(), clock, out_stream, err_stream, stop_signal});
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

// Refused data exit with 1: a file that does not import, a notice date that is none, and rows that
// fail, named by their file, their line and what they fail after the window's own message.
TEST_F(Batch, RefusedDataExitWithOne) {
  work.Write("short.csv", "a;b;c\r\n");
  EXPECT_EQ(RunOn({"good.csv", "short.csv"}), kRefused);
  EXPECT_TRUE(Says("short.csv:\nErrore nel file importato alla riga 1\nVerificare i separatori", out)) << out;
  for (const char* date : {"31/02/2026", "03/0012"}) {  // a month and year is no notice date either
    EXPECT_EQ(RunOn({"good.csv"}, date), kRefused);
    EXPECT_TRUE(Says("- Data comunicazione non immessa o non valida", out)) << out;
  }
  std::string second = "verdi,anna,x,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,2020,9\r\n";  // sex X
  second += testing::kGoodCsv;
  second += "neri,luca,m,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,,9\r\n";  // no protocol year
  work.Write("second.csv", second);
  EXPECT_EQ(RunOn({"good.csv", "second.csv"}), kRefused);
  EXPECT_TRUE(Says("Sono stati riscontrati errori nei Soggetti alle seguenti righe: 3 , 6\n"
                   "second.csv:1: riga 3: Sesso non specificato o diverso da M e F; Codice Fiscale non inserito o non valido\n"
                   "second.csv:4: riga 6: Anno Protocollo non inserito o non valido; Codice Fiscale non inserito o non valido\n",
                   out))
      << out;
  EXPECT_TRUE(Written().empty());
}

// Whatever is wrong around the data stops the run before any work, with exit status 2 and a reason
// that names what it found; a value quoted from a file is cut at 60 characters.
TEST_F(Batch, EnvironmentFaultsExitWithTwoBeforeAnyWork) {
  const std::string good_config = "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n";
  const std::string long_code(60'000, 'Q');
  const struct Case {
    const char* why;
    std::string config;  // "" for none
    const char* file;    // a file of the working folder replaced by content, or ""
    std::string content;
    std::string says;
    const char* input = "good.csv";
  } cases[] = {
      {"unknown municipality", "Z999\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", "", "", "Comune con codice \"Z999\" non presente"},
      {"a name the dialog refuses", "H501\r\nBIANCHI\r\n<LUCIA&>\r\n\r\n\r\n", "", "",
       "- Nome del Referente con caratteri non ammessi"},
      {"damaged config.ini", "H501\r\nBIAN\x01" "CHI\r\nLUCIA\r\n\r\n\r\n", "", "", "danneggiato alla riga 2"},
      {"no config.ini", "", "", "", "Impossibile leggere il file"},
      {"a long code", long_code + "\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", "", "", "\"" + std::string(60, 'Q') + "…\" non presente"},
      {"a config.ini larger than any", good_config + std::string(100'000, 'x'), "", "", "il file è troppo grande"},
      {"a country table without Italy", good_config, "ref/FileCodStati.txt", "FRANCIA,Z110\r\n",
       "FileCodStati.txt: manca la riga ITALIA,Z000"},
      {"a random municipality table", good_config, "ref/FileCodComuni.txt", std::string("\x8f\x00\x12z,,\xff", 7),
       "FileCodComuni.txt: contiene caratteri di controllo"},
      {"a broken schema", good_config, "ref/validate.xsd", "<xs:schema", "validate.xsd"},
      {"a missing CSV", good_config, "", "", "Il file " + (work / "missing.csv").string() + " non esiste", "missing.csv"},
      {"a folder as CSV", good_config, "", "",
       "Il file " + (work / "ref").string() + " non è leggibile: al suo posto c'è una cartella", "ref"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(work / "config.ini");
    if (!c.config.empty()) work.Write("config.ini", c.config);
    const std::string saved = *c.file != 0 ? testing::ReadFile(work / c.file) : "";
    if (*c.file != 0) work.Write(c.file, c.content);
    EXPECT_EQ(RunOn({"good.csv", c.input}), kFault) << c.why;
    EXPECT_TRUE(Says(c.says, err)) << c.why << ": " << err.substr(0, 300);
    EXPECT_LT(err.size(), 1000U) << c.why;
    if (*c.file != 0) work.Write(c.file, saved);
  }
  EXPECT_TRUE(Written().empty());

  // A FIFO or a device where a file is read is refused at once, never waited on.
  work.Write("config.ini", good_config);
  ASSERT_EQ(::mkfifo((work / "fifo.csv").c_str(), 0600), 0);
  EXPECT_EQ(RunOn({"fifo.csv"}), kFault);
  EXPECT_TRUE(Says("fifo.csv non è leggibile: non è un file ordinario", err)) << err;
  for (const char* file : {"config.ini", "ref/validate.xsd", "ref/FileCodStati.txt"}) {
    const auto path = work / file;
    const std::string saved = testing::ReadFile(path);
    std::filesystem::remove(path);
    std::filesystem::create_symlink("/dev/zero", path);
    EXPECT_EQ(RunOn({"good.csv"}), kFault) << file;
    EXPECT_TRUE(Says("non è un file ordinario", err)) << file << ": " << err;
    std::filesystem::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(RunOn({"good.csv"}), kFault) << file;
    std::filesystem::remove(path);
    work.Write(file, saved);
  }
  EXPECT_TRUE(Written().empty());
}

// Arguments that cannot mean what the caller meant are refused before anything is read.
TEST_F(Batch, UnclearArgumentsAreUsageFaults) {
  const auto plain_file = work.Write("plain.txt", "x");
  const std::string d = dest.path().string();
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"--numero", "12/3", "--data", "30/11/2026", "--dest", d, "good.csv"}, "solo cifre"},
      {{"--numero", "123", "good.csv"}, "mancano --numero, --data o --dest"},
      {{"--numero", "123", "--data", "30/11/2026", "--dest", "missing", "good.csv"},
       "la cartella di destinazione non esiste: " + (work / "missing").string()},
      {{"--numero", "123", "--data", "30/11/2026", "--dest", plain_file.string(), "good.csv"},
       "la destinazione non è una cartella ma un file: " + plain_file.string()},
      {{"--numero", "123", "--data", "30/11/2026", "--dest", "", "good.csv"}, "--dest richiede un percorso non vuoto"},
      {{"--numero", "123", "--numero", "124", "--data", "30/11/2026", "--dest", d, "good.csv"},
       "--numero è indicato più di una volta"},
      {{"--numero", "1", "--data", "1/1/2026", "--dest", d, "--dest", d, "good.csv"}, "--dest è indicato più di una volta"},
      {{"--numero", "1", "--data", "1/1/2026", "--dest", d, "--" + std::string(200, 'x'), "good.csv"},
       "opzione sconosciuta --" + std::string(58, 'x') + "…\n"},
      {{"--numero", "1", "--data", "1/1/2026", "--dest", d, ""}, "un file CSV indicato con un percorso vuoto"},
      {{"--numero", "1", "--data", "1/1/2026", "--dest", d, "good.csv", "./good.csv"},
       "il file ./good.csv è indicato più di una volta"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), kFault) << c.says;
    EXPECT_TRUE(Says(c.says, err)) << c.says << ": " << err;
  }
  EXPECT_TRUE(Written().empty());
  EXPECT_EQ(Run({"--help"}), kWritten);
  EXPECT_TRUE(Says("Codici di uscita", out));
}

// A stop signal ends the run with exit status 2 at whatever moment it comes: before the notice, while
// it is written or read back, or before the summary; a notice file is there only whole and valid.
TEST_F(Batch, AStopSignalEndsTheRunWithNothingHalfMade) {
  std::string many;
  for (int i = 0; i < 400; ++i) many += testing::kGoodCsv;
  work.Write("many.csv", many);
  for (int allowed = 0;; ++allowed) {
    int asked = 0;
    stop_signal = [&] { return asked++ < allowed ? 0 : SIGTERM; };
    const int status = Run({"--numero", "123", "--data", "30/11/2026", "--dest", dest.path().string(), "--riepilogo",
                            (work / "riepilogo.pdf").string(), "many.csv"});
    const auto written = Written();
    if (status == kWritten) {
      EXPECT_GT(allowed, 4);
      EXPECT_EQ(written.size(), 2U);
      break;
    }
    EXPECT_EQ(status, kFault) << allowed;
    EXPECT_TRUE(Says("nerovale-batch: interrotto dal segnale SIGTERM: ", err)) << err;
    EXPECT_FALSE(std::filesystem::exists(work / "riepilogo.pdf"));
    if (written.empty()) {
      EXPECT_TRUE(Says("nessun file XML è stato salvato", err)) << err;
    } else {  // stopped before the summary: the notice is whole and valid
      EXPECT_TRUE(Says("è scritto e validato, il riepilogo non è stato scritto", err)) << err;
      const auto file = *std::max_element(written.begin(), written.end());
      EXPECT_TRUE(output::ValidateFile(file).valid);
      std::filesystem::remove_all(written.front());
    }
  }
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

  // A name one character short of the limit: the summary's temporary file beside it cannot be made.
  const std::string longest = std::string(251, 'r') + ".pdf";
  EXPECT_EQ(with_summary(longest, "good.csv"), kFault);
  EXPECT_TRUE(Says("Il riepilogo non è stato scritto", err) && Says("resta scritto e validato", err)) << err;
  EXPECT_EQ(Written().size(), 2U);  // the notice folder and its file
}

// The summary never takes the place of a file the program or the run relies on, nor of anything in
// the destination; an existing file is replaced only when it is a PDF.
TEST_F(Batch, TheSummaryReplacesOnlyAnEarlierSummary) {
  work.Write("bozza.nerovale", "Nerovale bozza\t1\n");
  work.Write("note.pdf", "not a PDF");
  work.Write("earlier.pdf", "%PDF-1.4 earlier");
  std::filesystem::create_hard_link(work / "config.ini", work / "link.pdf");
  std::filesystem::create_symlink(work / "gone.pdf", work / "dangling.pdf");
  const auto summary_to = [this](const std::string& pdf) {
    return Run({"--numero", "123", "--data", "30/11/2026", "--dest", dest.path().string(), "--riepilogo", pdf, "good.csv"});
  };
  const struct {
    std::string pdf;
    const char* says;
  } refused[] = {
      {"config.ini", "è il file config.ini"},
      {"link.pdf", "è il file config.ini"},
      {"bozza.nerovale", "è la bozza della finestra"},
      {"ref/FileCodStati.txt", "è nella cartella ref"},
      {"ref/nuovo.pdf", "è nella cartella ref"},
      {"good.csv", "è un file da importare"},
      {(dest / "riepilogo.pdf").string(), "è nella cartella di destinazione"},
      {"note.pdf", "c'è già un file che non è un PDF"},
      {"dangling.pdf", "c'è già un file che non è un PDF"},
  };
  for (const auto& c : refused) {
    const auto before = std::filesystem::exists(work / c.pdf) ? testing::ReadFile(work / c.pdf) : "";
    EXPECT_EQ(summary_to(c.pdf), kFault) << c.pdf;
    EXPECT_TRUE(Says(c.says, err)) << c.pdf << ": " << err;
    EXPECT_TRUE(Written().empty()) << c.pdf;
    if (!before.empty()) {
      EXPECT_EQ(testing::ReadFile(work / c.pdf), before) << c.pdf;
    }
  }
  EXPECT_EQ(summary_to("earlier.pdf"), kWritten) << err;
  EXPECT_NE(testing::ReadFile(work / "earlier.pdf"), "%PDF-1.4 earlier");
}

}  // namespace
}  // namespace nerovale::batch
