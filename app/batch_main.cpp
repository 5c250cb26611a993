// nerovale-batch: the whole notice without the window, from CSV exports of the registry software.
//
//   nerovale-batch --numero N --data dd/mm/yyyy --dest DIR FILE.csv [FILE.csv ...]
//
// It runs in a working directory laid out like the application's (config.ini, ref/) and never
// writes config.ini.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/text.h"
#include "core/user_config.h"
#include "import/csv_import.h"
#include "output/notice_output.h"
#include "reference/reference_tables.h"
#include "validation/table_check.h"

namespace {

namespace fs = std::filesystem;
using namespace nerovale;

constexpr int kWritten = 0;
constexpr int kRefused = 1;
constexpr int kFault = 2;

constexpr std::string_view kHelp =
    "Uso: nerovale-batch --numero N --data gg/mm/aaaa --dest CARTELLA FILE.csv [FILE.csv ...]\n"
    "\n"
    "Prepara la comunicazione dei decessi senza finestre: importa i file CSV nell'ordine dato\n"
    "(ognuno per intero o per niente), controlla i dati della comunicazione e ogni soggetto,\n"
    "crea la cartella della comunicazione dentro CARTELLA, vi scrive il file XML e lo valida\n"
    "con ref/validate.xsd. Va eseguito nella cartella di lavoro dell'applicazione (config.ini,\n"
    "ref/); config.ini non viene mai scritto.\n"
    "\n"
    "  --numero N       numero della comunicazione (solo cifre)\n"
    "  --data D         data della comunicazione, gg/mm/aaaa\n"
    "  --dest CARTELLA  cartella in cui creare la cartella della comunicazione\n"
    "  --help           questo testo\n"
    "\n"
    "Codici di uscita:\n"
    "  0  file XML scritto e validato\n"
    "  1  comunicazione rifiutata (errore di importazione, controllo fallito, validazione fallita)\n"
    "  2  errore d'uso o d'ambiente (argomenti errati, referente non configurato, file di\n"
    "     riferimento mancante)\n";

// Prints a message of the application with the terminal's line ends.
void Say(std::ostream& out, std::string_view message) {
  std::string text;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    text.push_back(message[i]);
  }
  out << text << '\n';
}

int Usage(std::string_view problem) {
  std::cerr << "nerovale-batch: " << problem << "\n\n" << kHelp;
  return kFault;
}

struct Arguments {
  std::string numero, data;
  fs::path dest;
  std::vector<fs::path> files;
};

output::LocalTime Now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  return {*dates::MakeDate(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900), local.tm_hour, local.tm_min};
}

int Run(const Arguments& args) {
  // As at the application's start: the values read before a gap count, and a contact person is needed.
  UserConfig config;
  ReadConfig(ConfigPath(), config);
  if (!config.HasReferente()) {
    std::cerr << "nerovale-batch: nessun referente configurato (config.ini mancante o incompleto in "
              << fs::current_path().string() << ")\n";
    return kFault;
  }
  reference::ReferenceTables tables;
  if (const Status status = tables.Check(); !status) {
    std::cerr << "nerovale-batch: " << status.message() << '\n';
    return kFault;
  }

  SubjectTable table;
  for (const auto& file : args.files) {
    auto result = import::ImportCsv(file, table.Count(), tables);
    if (!result.ok) {
      std::cout << file.string() << ":\n";
      Say(std::cout, import::ImportFailureText(result, table.Count()));
      return kRefused;
    }
    import::AppendRows(table, std::move(result.rows));
  }

  // The date box of the window holds dd/mm/yyyy: a date typed otherwise is written so.
  CommunicationHeader header{args.numero, args.data};
  if (const auto date = dates::ParseDayMonthYear(args.data)) header.data = dates::FormatDdMmYyyy(*date);
  const auto checked = validation::ValidateCommunicationHeader(header.numero, header.data, table.Count());
  if (!checked.ok()) {
    Say(std::cout, checked.warning);
    return kRefused;
  }
  const output::LocalTime now = Now();
  const auto failed = validation::ValidateSubjectTable(table, now.date, tables.Snapshot());
  if (!failed.empty()) {
    Say(std::cout, validation::ReportFailedRows(failed));
    return kRefused;
  }

  const output::Sender sender{config.CodiceComune, config.CognomeReferente, config.NomeReferente};
  output::NoticeFolderMaker folders;
  const auto outcome =
      output::WriteNotice({sender, header, table, output::SchemaPath()}, args.dest, now, folders);
  Say(std::cout, outcome.message);
  if (outcome.valid) std::cout << outcome.file.string() << '\n';
  return outcome.valid ? kWritten : kRefused;
}

}  // namespace

int main(int argc, char* argv[]) {
  Arguments args;
  bool has_numero = false, has_data = false, has_dest = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return kWritten;
    }
    if (arg == "--numero" || arg == "--data" || arg == "--dest") {
      if (i + 1 >= argc) return Usage(std::string(arg) + " richiede un valore");
      const char* v = argv[++i];
      if (arg == "--numero") args.numero = v, has_numero = true;
      if (arg == "--data") args.data = v, has_data = true;
      if (arg == "--dest") args.dest = v, has_dest = true;
    } else if (arg.starts_with("--")) {
      return Usage("opzione sconosciuta " + std::string(arg));
    } else {
      args.files.emplace_back(arg);
    }
  }
  if (!has_numero || !has_data || !has_dest) return Usage("mancano --numero, --data o --dest");
  if (args.files.empty()) return Usage("nessun file CSV indicato");
  // The number box of the window lets digits only in; nothing else may reach the file name.
  if (!args.numero.empty() && !text::IsDigits(args.numero)) return Usage("il numero deve contenere solo cifre");
  if (!fs::is_directory(args.dest)) return Usage("la cartella di destinazione non esiste: " + args.dest.string());
  return Run(args);
}
