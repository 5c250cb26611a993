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
#include <optional>
#include <sstream>

#include "csv_fixture.h"
#include "output/schema_validation.h"
#include "pdf_text.h"
#include "register/register.h"
#include "signature/digest.h"
#include "signature/signature_texts.h"
#include "signature/signing.h"
#include "softhsm_token.h"
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
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "FileValiditaComuni.txt", "validate.xsd"}) {
      std::filesystem::copy_file(source / "ref" / file, work / "ref" / file);
    }
    work.Write("config.ini", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
    work.Write("good.csv", testing::kGoodCsv);
  }

  std::function<int()> stop_signal;
  std::filesystem::path installed;  // the installed data folder, none unless a test makes one
  std::istringstream standard_input;

  int Run(std::vector<std::string> args) {
    std::ostringstream out_stream, err_stream;
    const FixedClock clock({*dates::MakeDate(6, 12, 2026), 10, 30});
    const int status = RunBatch(args, {work.path(), clock, out_stream, err_stream, stop_signal, installed, &standard_input});
    out = out_stream.str();
    err = err_stream.str();
    return status;
  }
  // A run for notice 123 on the CSV files, with its summary when riepilogo is named.
  int RunOn(const std::vector<std::string>& csv, const std::string& data = "30/11/2026", const std::string& riepilogo = "") {
    std::vector<std::string> args = {"--numero", "123", "--data", data, "--dest", dest.path().string()};
    if (!riepilogo.empty()) args.insert(args.end(), {"--riepilogo", riepilogo});
    args.insert(args.end(), csv.begin(), csv.end());
    return Run(args);
  }
  // Every folder and file under the destination, the notice (the deepest path) last.
  std::vector<std::filesystem::path> Written() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dest.path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  bool Says(const std::string& text, const std::string& where) { return where.find(text) != std::string::npos; }
  static std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// The executable, as an office calls it, writes one folder with the notice in it and touches nothing
// beside it.
TEST_F(Batch, TheExecutableWritesOneFolderWithOneValidFile) {
  const std::string command = "cd '" + work.path().string() + "' && '" NEROVALE_BATCH "' --numero 123 --data 5/3/2026 --dest '" +
                              dest.path().string() + "' good.csv > out.txt 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kWritten) << testing::ReadFile(work / "out.txt");
  EXPECT_TRUE(Says("XML validato e salvato con successo!\nIl file si trova", testing::ReadFile(work / "out.txt")));
  const auto written = Written();
  ASSERT_EQ(written.size(), 2U);  // the folder and the file in it
  EXPECT_EQ(written.back().filename(), "nerovale_123_20260305.xml");  // the date written as the window writes it
  EXPECT_EQ(testing::ReadFile(work / "config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
  // Nothing new beside it but the register, which holds the notice.
  EXPECT_EQ(Names(work.path()), (std::vector<std::string>{"config.ini", "good.csv", "out.txt", "ref", "registro.sqlite"}));
  const auto notices = registry::FileRegister(work / "registro.sqlite", LocalClock())->Notices().value;
  ASSERT_EQ(notices.size(), 1U);
  EXPECT_EQ(notices[0].File(), written.back());
  EXPECT_EQ(notices[0].sha256, *signature::FileSha256Hex(written.back()));
}

// The register guards the next notice and records each one: a number of this year or a subject sent
// before refuse the data, one line a subject, unless repetitions are allowed; another register or
// none can be asked for; a register that cannot be read stops the run before the notice, one that
// cannot be written leaves the notice written and validated, and says it is not registered.
TEST_F(Batch, TheRegisterGuardsAndRecordsEveryNotice) {
  const auto notices_in = [](const char* file) {
    return registry::FileRegister(file, LocalClock())->Notices().value.size();
  };
  const auto xml_files = [this] {
    return std::count_if(std::filesystem::recursive_directory_iterator(dest.path()), {},
                         [](const auto& entry) { return entry.path().extension() == ".xml"; });
  };
  const std::string first = dest.path().string() + "/Nerovale_20261206,1030/nerovale_123_20261130.xml";
  work.Write("bloccato.sqlite", "");  // a register that reads but takes no notice
  ASSERT_TRUE(registry::FileRegister(work / "bloccato.sqlite", LocalClock())->Notices().status);
  ASSERT_EQ(std::system(("sqlite3 '" + (work / "bloccato.sqlite").string() +
                         "' \"CREATE TRIGGER no BEFORE INSERT ON comunicazioni BEGIN SELECT RAISE(ABORT, 'chiuso'); END\"")
                            .c_str()),
            0);
  work.Write("danneggiato.sqlite", std::string(4096, 'x'));
  const struct {
    std::vector<std::string> options;
    int status;
    long xml_files;             // notices under --dest afterwards
    std::size_t registered;     // notices in registro.sqlite afterwards
    std::string says;
  } runs[] = {
      {{"123"}, kWritten, 1, 1, first},
      {{"123"}, kRefused, 1, 1,
       "Il numero 123 è già stato usato per la comunicazione del 30/11/2026 (file " + first + ").\n"
       "good.csv:1: riga 1: già comunicato con la comunicazione 123 del 30/11/2026\n"
       "good.csv:2: riga 2: già comunicato con la comunicazione 123 del 30/11/2026\n"},
      {{"123", "--consenti-ripetizioni"}, kWritten, 2, 2, "XML validato"},
      {{"124", "--senza-registro"}, kWritten, 3, 2, "XML validato"},
      {{"123", "--registro", "altro.sqlite"}, kWritten, 4, 2, "XML validato"},
      {{"1", "--registro", "altro.sqlite", "--senza-registro"}, kFault, 4, 2, "non si possono indicare insieme"},
      {{"1", "--registro", "ref"}, kFault, 4, 2,
       "Impossibile usare il registro delle comunicazioni " + (work / "ref").string() + ": al suo posto c'è una "
       "cartella: nessun file XML è stato salvato"},
      {{"1", "--registro", "bloccato.sqlite"}, kFault, 5, 2, "è scritto e validato ma non è registrato: Impossibile "
       "usare il registro delle comunicazioni " + (work / "bloccato.sqlite").string() + ": errore del database: chiuso"},
      {{"1", "--registro", "danneggiato.sqlite"}, kWritten, 6, 2, "danneggiato.sqlite era danneggiato"},
  };
  for (const auto& run : runs) {
    std::vector<std::string> args = {"--data", "30/11/2026", "--dest", dest.path().string(), "--numero"};
    args.insert(args.end(), run.options.begin(), run.options.end());
    args.push_back("good.csv");
    EXPECT_EQ(Run(args), run.status) << run.says << out << err;
    EXPECT_TRUE(Says(run.says, out + err)) << run.says << "\n" << out << err;
    EXPECT_EQ(xml_files(), run.xml_files) << run.says;
    EXPECT_EQ(notices_in((work / "registro.sqlite").c_str()), run.registered) << run.says;
  }
  EXPECT_EQ(notices_in((work / "altro.sqlite").c_str()), 1U);
  EXPECT_EQ(notices_in((work / "danneggiato.sqlite").c_str()), 1U);
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
  work.Write("second.csv", std::string("verdi,anna,x,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,2020,9\r\n") +  // sex X
                               testing::kGoodCsv + "neri,luca,m,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,,9\r\n");  // no year
  EXPECT_EQ(RunOn({"good.csv", "second.csv"}), kRefused);
  EXPECT_TRUE(Says("Sono stati riscontrati errori nei Soggetti alle seguenti righe: 3 , 6\n"
                   "second.csv:1: riga 3: Sesso non specificato o diverso da M e F; Codice Fiscale non inserito o non valido\n"
                   "second.csv:4: riga 6: Anno Protocollo non inserito o non valido; Codice Fiscale non inserito o non valido\n",
                   out))
      << out;
  EXPECT_TRUE(Written().empty());
}

// A municipality is taken as its name stood on the day: a name two municipalities bore then fails its
// row with both named; a codice fiscale born elsewhere than its place (omocodia read back) is a note on
// standard error that changes nothing.
TEST_F(Batch, PlacesAreTakenAtTheirDates) {
  work.Write("castro.csv", "rossi,mario,m,5/3/1980,castro,,,RSSMRA80C05C337U,,10/1/2024,,milano,,12,milano,2024,7\r\n");
  EXPECT_EQ(RunOn({"castro.csv"}), kRefused);
  EXPECT_TRUE(Says("castro.csv:1: riga 1: Comune di nascita non inserito o non valido; il comune di nascita CASTRO al "
                   "05/03/1980 indica più comuni: CASTRO (BG) C337, CASTRO (LE, dal 1975) M261\n",
                   out))
      << out;
  work.Write("forli.csv", "rossi,mario,m,5/3/1950,forlì del sannio,,,RSSMRA50C05D70QL,,10/1/2024,,milano,,12,milano,2024,7\r\n");
  EXPECT_EQ(RunOn({"forli.csv"}), kWritten) << out << err;
  EXPECT_EQ(err, "forli.csv:1: riga 1: nota: il codice fiscale indica il luogo di nascita D704, non D703 di FORLÌ DEL SANNIO\n");
}

// Whatever is wrong around the data stops the run before any work, with exit status 2 and a reason
// that names what it found; a value quoted from a file is cut at 60 characters. A FIFO or a device
// where a file is read is refused at once, never waited on.
TEST_F(Batch, EnvironmentFaultsExitWithTwoBeforeAnyWork) {
  const std::string sender = "\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n", fifo = "<a FIFO>", device = "<a link to /dev/zero>";
  const struct {
    const char* file;                    // a file of the working folder, replaced for the run
    std::optional<std::string> content;  // none: the file is removed
    std::string says;
    const char* input = "good.csv";
  } cases[] = {
      {"config.ini", "Z999" + sender, "Comune con codice \"Z999\" non presente"},
      {"config.ini", "H501\r\nBIANCHI\r\n<LUCIA&>\r\n\r\n\r\n", "- Nome del Referente con caratteri non ammessi"},
      {"config.ini", "H501\r\nBIAN\x01" "CHI\r\nLUCIA\r\n\r\n\r\n", "danneggiato alla riga 2"},
      {"config.ini", std::nullopt, "Impossibile leggere il file"},
      {"config.ini", std::string(60'000, 'Q') + sender, "\"" + std::string(60, 'Q') + "…\" non presente"},
      {"config.ini", "H501" + sender + std::string(100'000, 'x'), "il file è troppo grande"},
      {"ref/FileCodStati.txt", "FRANCIA,Z110\r\n", "FileCodStati.txt: manca la riga ITALIA,Z000"},
      {"ref/FileCodComuni.txt", std::string("\x8f\x00\x12z,,\xff", 7), "FileCodComuni.txt: contiene caratteri di controllo"},
      {"ref/validate.xsd", "<xs:schema", "validate.xsd"},
      {"good.csv", testing::kGoodCsv, "Il file " + (work / "missing.csv").string() + " non esiste", "missing.csv"},
      {"good.csv", testing::kGoodCsv, "Il file " + (work / "ref").string() + " non è leggibile: al suo posto c'è una cartella",
       "ref"},
      {"fifo.csv", fifo, "fifo.csv non è leggibile: non è un file ordinario", "fifo.csv"},
      {"config.ini", fifo, "non è un file ordinario"},       {"config.ini", device, "non è un file ordinario"},
      {"ref/validate.xsd", fifo, "non è un file ordinario"}, {"ref/validate.xsd", device, "non è un file ordinario"},
      {"ref/FileCodStati.txt", fifo, "non è un file ordinario"}, {"ref/FileCodStati.txt", device, "non è un file ordinario"},
  };
  for (const auto& c : cases) {
    const auto path = work / c.file;
    const std::string saved = testing::ReadFile(path);
    std::filesystem::remove(path);
    if (c.content == fifo) ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    else if (c.content == device) std::filesystem::create_symlink("/dev/zero", path);
    else if (c.content) work.Write(c.file, *c.content);
    EXPECT_EQ(RunOn({c.input}), kFault) << c.file << ": " << c.says;
    EXPECT_TRUE(Says(c.says, err)) << c.file << ": " << err.substr(0, 300);
    EXPECT_LT(err.size(), 1000U) << c.says;
    std::filesystem::remove(path);
    work.Write(c.file, saved);
  }
  EXPECT_TRUE(Written().empty());
}

// Arguments that cannot mean what the caller meant are refused before anything is read.
TEST_F(Batch, UnclearArgumentsAreUsageFaults) {
  const auto plain_file = work.Write("plain.txt", "x");
  const std::string d = dest.path().string();
  const std::pair<std::vector<std::string>, std::string> cases[] = {  // each after --data 1/1/2026
      {{"--numero", "12/3", "--dest", d, "good.csv"}, "solo cifre"},
      {{"--numero", "123", "good.csv"}, "mancano --numero, --data o --dest"},
      {{"--numero", "1", "--dest", "missing", "good.csv"},
       "la cartella di destinazione non esiste: " + (work / "missing").string()},
      {{"--numero", "1", "--dest", plain_file.string(), "good.csv"},
       "la destinazione non è una cartella ma un file: " + plain_file.string()},
      {{"--numero", "1", "--dest", "", "good.csv"}, "--dest richiede un percorso non vuoto"},
      {{"--numero", "123", "--numero", "124", "--dest", d, "good.csv"}, "--numero è indicato più di una volta"},
      {{"--numero", "1", "--dest", d, "--dest", d, "good.csv"}, "--dest è indicato più di una volta"},
      {{"--numero", "1", "--dest", d, "--" + std::string(200, 'x'), "good.csv"},
       "opzione sconosciuta --" + std::string(58, 'x') + "…\n"},
      {{"--numero", "1", "--dest", d, ""}, "un file CSV indicato con un percorso vuoto"},
      {{"--numero", "1", "--dest", d, "good.csv", "./good.csv"}, "il file ./good.csv è indicato più di una volta"},
  };
  for (auto [args, says] : cases) {
    args.insert(args.begin(), {"--data", "1/1/2026"});
    EXPECT_EQ(Run(args), kFault) << says;
    EXPECT_TRUE(Says(says, err)) << says << ": " << err;
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
    const int status = RunOn({"many.csv"}, "30/11/2026", "riepilogo.pdf");
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
      EXPECT_TRUE(output::ValidateFile(written.back()).valid);
      std::filesystem::remove_all(written.front());
      std::filesystem::remove(work / "registro.sqlite");  // the notice would be a repetition
    }
  }
}

// A working folder without ref/ takes the tables and the schema installed with the program, and the
// notice names the schema it was validated with; ref/ in the working folder comes first; with
// neither, the working folder's files are missing, as they always were.
TEST_F(Batch, WithoutRefTheInstalledDataServeAndTheNoticeNamesTheirSchema) {
  TempDir root;
  installed = root / "usr/share/nerovale";
  std::filesystem::create_directories(installed);
  std::filesystem::rename(work / "ref", installed / "ref");
  ASSERT_EQ(RunOn({"good.csv"}), kWritten) << err;
  const std::string notice = testing::ReadFile(Written().back());
  EXPECT_TRUE(Says("xsi:noNamespaceSchemaLocation=\"" + (installed / "ref" / "validate.xsd").string() + "\"", notice))
      << notice.substr(0, 300);
  EXPECT_TRUE(output::ValidateFile(Written().back()).valid);

  work.Write("ref/validate.xsd",  // a working folder's ref/ wins, even with a schema that refuses every notice
             "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"ALTRO\"/></xs:schema>");
  for (const char* table : {"FileCodComuni.txt", "FileCodStati.txt"}) {
    std::filesystem::copy_file(installed / "ref" / table, work / "ref" / table);
  }
  EXPECT_EQ(RunOn({"good.csv"}), kRefused);

  std::filesystem::remove_all(work / "ref");
  installed.clear();
  EXPECT_EQ(RunOn({"good.csv"}), kFault);
  EXPECT_TRUE(Says((work / "ref" / "FileCodComuni.txt").string(), err)) << err;
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
  EXPECT_EQ(RunOn({"good.csv"}, "30/11/2026", "riepilogo.pdf"), kWritten) << err;
  EXPECT_EQ(testing::ReadFile(summary).substr(0, 5), "%PDF-");
  const auto written = Written();
  const std::string text = testing::PdfText(summary);
  EXPECT_TRUE(Says("ROSSI MARIO", text) && Says("DUPONT JEAN", text) && Says("pagina 1 di 1", text)) << text;
  EXPECT_TRUE(Says(*signature::FileSha256Hex(written.back()), text));
  std::filesystem::remove_all(written.front());
  std::filesystem::remove(work / "registro.sqlite");

  work.Write("bad.csv", "verdi,anna,x,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,2020,9\r\n");
  std::filesystem::remove(summary);
  EXPECT_EQ(RunOn({"bad.csv"}, "30/11/2026", "riepilogo.pdf"), kRefused);
  EXPECT_FALSE(std::filesystem::exists(summary));

  EXPECT_EQ(RunOn({"good.csv"}, "30/11/2026", "missing/riepilogo.pdf"), kFault);  // checked before any work
  EXPECT_TRUE(Written().empty());

  // A name one character short of the limit: the summary's temporary file beside it cannot be made.
  EXPECT_EQ(RunOn({"good.csv"}, "30/11/2026", std::string(251, 'r') + ".pdf"), kFault);
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
  const std::pair<std::string, const char*> refused[] = {
      {"config.ini", "è il file config.ini"},          {"link.pdf", "è il file config.ini"},
      {"bozza.nerovale", "è la bozza della finestra"}, {"ref/FileCodStati.txt", "è nella cartella ref"},
      {"ref/nuovo.pdf", "è nella cartella ref"},       {"good.csv", "è un file da importare"},
      {(dest / "riepilogo.pdf").string(), "è nella cartella di destinazione"},
      {"note.pdf", "c'è già un file che non è un PDF"}, {"dangling.pdf", "c'è già un file che non è un PDF"},
  };
  for (const auto& [pdf, says] : refused) {
    const auto before = testing::ReadFile(work / pdf);  // "" when there is none
    EXPECT_EQ(RunOn({"good.csv"}, "30/11/2026", pdf), kFault) << pdf;
    EXPECT_TRUE(Says(says, err)) << pdf << ": " << err;
    EXPECT_TRUE(Written().empty()) << pdf;
    EXPECT_EQ(testing::ReadFile(work / pdf), before) << pdf;
  }
  EXPECT_EQ(RunOn({"good.csv"}, "30/11/2026", "earlier.pdf"), kWritten) << err;
  EXPECT_NE(testing::ReadFile(work / "earlier.pdf"), "%PDF-1.4 earlier");
}

}  // namespace
}  // namespace nerovale::batch

namespace nerovale::batch {
namespace {

// Signing after a validated notice, on a real token: the contact person's certificate unless another
// is named; every signing failure is 2 and leaves the notice; a signed file checked with --verifica.
class SigningBatch : public Batch {
 protected:
  static void SetUpTestSuite() {
    hsm_ = new testing::SoftHsmToken;
    hsm_->Add({"firma-rossi", "\x01", "ROSSI MARIO"});
    hsm_->Add({"firma-bianchi", "\x02", "LUCIA BIANCHI"});  // the contact person of config.ini
  }
  static void TearDownTestSuite() { delete hsm_; }
  int Signing(const std::string& pin_file, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--numero", "123", "--data", "30/11/2026", "--dest", dest.path().string(),
                                     "--firma-modulo", testing::kSoftHsmModule, "--firma-pin-file", pin_file};
    args.insert(args.end(), more.begin(), more.end());
    args.push_back("good.csv");
    return Run(args);
  }
  static testing::SoftHsmToken* hsm_;
};
testing::SoftHsmToken* SigningBatch::hsm_ = nullptr;

TEST_F(SigningBatch, SignsTheValidatedNoticeWithTheContactPersonsCertificate) {
  work.Write("pin.txt", std::string(testing::kTokenPin) + "\n");
  EXPECT_EQ(Signing("pin.txt", {"--riepilogo", "riepilogo.pdf"}), kWritten) << err;
  const auto written = Written();
  ASSERT_EQ(written.size(), 3U);  // the folder, the notice and its signed file
  const auto p7m = written.back();
  EXPECT_EQ(p7m.filename(), "nerovale_123_20261130.xml.p7m");
  EXPECT_TRUE(Says("File firmato: " + p7m.string(), out)) << out;
  const auto report = signature::CheckSignedFile(p7m);
  EXPECT_TRUE(signature::ReportIsGood(report));
  EXPECT_EQ(report.verification.signer.holder, "LUCIA BIANCHI");
  const std::string summary = testing::PdfText(work / "riepilogo.pdf");
  EXPECT_TRUE(Says("LUCIA BIANCHI", summary) && Says("nerovale_123_20261130.xml.p7m", summary)) << summary;

  EXPECT_EQ(Run({"--verifica", p7m.string()}), kWritten) << err;
  EXPECT_TRUE(Says("è integra", out) && Says("Firmato da: LUCIA BIANCHI", out)) << out;
  testing::TempDir other;
  std::filesystem::copy_file(p7m, other / "n.xml.p7m");
  EXPECT_EQ(Run({"--verifica", (other / "n.xml.p7m").string()}), kRefused);  // nothing beside it to compare
  EXPECT_EQ(Run({"--verifica", (work / "pin.txt").string()}), kFault);
  EXPECT_EQ(Run({"--verifica", p7m.string(), "good.csv"}), kFault);
}

TEST_F(SigningBatch, AFailedSigningIsTwoAndTheNoticeStays) {
  // A wrong PIN from standard input: the notice is written, validated and stays; no signed file.
  standard_input.str("0000\n");
  EXPECT_EQ(Signing("-", {"--firma-certificato", "firma-rossi"}), kFault);
  EXPECT_TRUE(Says("firma non eseguita: PIN errato.", err) && Says("resta, scritto e validato", err)) << err;
  auto written = Written();
  ASSERT_EQ(written.size(), 2U);
  EXPECT_EQ(written.back().extension(), ".xml");
  std::filesystem::remove_all(written.front());
  std::filesystem::remove(work / "registro.sqlite");

  // What keeps a run from signing is found before any work: nothing is written.
  work.Write("pin.txt", testing::kTokenPin);
  EXPECT_EQ(Signing("pin.txt", {"--firma-certificato", "nessuno"}), kFault);
  EXPECT_TRUE(Says("Certificati presenti: ", err) && Says("firma-rossi", err) && Says("firma-bianchi", err)) << err;
  EXPECT_EQ(Run({"--numero", "1", "--data", "30/11/2026", "--dest", dest.path().string(), "--firma-modulo",
                 (work / "none.so").string(), "--firma-pin-file", "pin.txt", "good.csv"}),
            kFault);
  EXPECT_TRUE(Says(signature::ModuleMissingText((work / "none.so").string()), err)) << err;
  standard_input.str(std::string(100000, '1'));  // a line without end, as /dev/zero would give
  EXPECT_EQ(Signing("-"), kFault);
  EXPECT_TRUE(Says("il PIN sullo standard input è troppo lungo", err)) << err;
  work.Write("empty.txt", "\n");
  EXPECT_EQ(Signing("empty.txt"), kFault);
  EXPECT_TRUE(Says("è vuoto", err)) << err;
  EXPECT_TRUE(Written().empty());
  EXPECT_EQ(Run({"--numero", "1", "--data", "30/11/2026", "--dest", dest.path().string(), "--firma-modulo",
                 testing::kSoftHsmModule, "good.csv"}),
            kFault);
  EXPECT_TRUE(Says("la firma richiede insieme --firma-modulo e --firma-pin-file", err)) << err;
}

}  // namespace
}  // namespace nerovale::batch
