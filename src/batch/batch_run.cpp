#include "batch/batch_run.h"

#include <ostream>
#include <variant>
#include <string_view>

#include "core/text.h"
#include "core/user_config.h"
#include "import/csv_import.h"
#include "output/notice_output.h"
#include "reference/reference_tables.h"
#include "summary/summary.h"
#include "summary/summary_texts.h"
#include "validation/sender_check.h"
#include "validation/table_check.h"

namespace nerovale::batch {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "Uso: nerovale-batch --numero N --data gg/mm/aaaa --dest CARTELLA [--riepilogo FILE.pdf]\n"
    "                    FILE.csv [FILE.csv ...]\n"
    "\n"
    "Prepara la comunicazione dei decessi senza finestre: importa i file CSV nell'ordine dato\n"
    "(ognuno per intero o per niente), controlla i dati della comunicazione e ogni soggetto,\n"
    "crea la cartella della comunicazione dentro CARTELLA, vi scrive il file XML e lo valida\n"
    "con ref/validate.xsd. Va eseguito nella cartella di lavoro dell'applicazione (config.ini,\n"
    "ref/); config.ini non viene mai scritto.\n"
    "\n"
    "  --numero N       numero della comunicazione (da 1 a 9 cifre)\n"
    "  --data D         data della comunicazione, gg/mm/aaaa\n"
    "  --dest CARTELLA  cartella in cui creare la cartella della comunicazione\n"
    "  --riepilogo FILE.pdf\n"
    "                   scrive anche il riepilogo da stampare (PDF) della comunicazione\n"
    "                   validata; un file che c'è già viene sostituito\n"
    "  --help           questo testo\n"
    "\n"
    "Codici di uscita:\n"
    "  0  file XML scritto e validato\n"
    "  1  dati rifiutati: errore di importazione, dati della comunicazione o soggetti non\n"
    "     validi (con file, riga e motivo di ogni soggetto), file XML non conforme allo schema\n"
    "  2  errore d'uso o d'ambiente: argomenti errati; Comune o referente mancanti o non\n"
    "     validi in config.ini; file di riferimento o schema mancanti o illeggibili; cartella o\n"
    "     file della comunicazione che non si possono creare o scrivere (permessi, sola lettura,\n"
    "     disco pieno, percorso troppo lungo); riepilogo che non si può scrivere (il file\n"
    "     XML resta, scritto e validato)\n";

constexpr std::string_view kSenderRemedy =
    "Completarli con l'applicazione (\"Configurazione\" → \"Modifica Configurazione Utente\"), che scrive "
    "config.ini.";

// Prints a message of the application with the terminal's line ends.
void Say(std::ostream& out, std::string_view message) {
  std::string text;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    text.push_back(message[i]);
  }
  out << text << '\n';
}

int Fault(std::ostream& err, std::string_view message) {
  Say(err, "nerovale-batch: " + std::string(message));
  return kFault;
}

int Usage(std::ostream& err, std::string_view problem) {
  err << "nerovale-batch: " << problem << "\n\n" << kHelp;
  return kFault;
}

struct Arguments {
  std::string numero, data;
  fs::path dest;
  fs::path riepilogo;  // empty: none asked for
  std::vector<fs::path> files;
};

// The arguments, or the exit status of a usage fault (or of --help) already reported.
std::variant<Arguments, int> Parse(const std::vector<std::string>& args, const BatchEnvironment& env) {
  Arguments parsed;
  bool has_numero = false, has_data = false, has_dest = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      env.out << kHelp;
      return kWritten;
    }
    if (arg == "--numero" || arg == "--data" || arg == "--dest" || arg == "--riepilogo") {
      if (i + 1 >= args.size()) return Usage(env.err, std::string(arg) + " richiede un valore");
      const std::string& value = args[++i];
      if (arg == "--numero") parsed.numero = value, has_numero = true;
      if (arg == "--data") parsed.data = value, has_data = true;
      if (arg == "--dest") parsed.dest = value, has_dest = true;
      if (arg == "--riepilogo") parsed.riepilogo = value;
    } else if (arg.starts_with("--")) {
      return Usage(env.err, "opzione sconosciuta " + std::string(arg));
    } else {
      parsed.files.emplace_back(arg);
    }
  }
  if (!has_numero || !has_data || !has_dest) return Usage(env.err, "mancano --numero, --data o --dest");
  if (parsed.files.empty()) return Usage(env.err, "nessun file CSV indicato");
  // The number box of the window lets digits only in; nothing else may reach the file name.
  if (!parsed.numero.empty() && !text::IsDigits(parsed.numero)) {
    return Usage(env.err, "il numero deve contenere solo cifre");
  }
  return parsed;
}

fs::path InWorkingDirectory(const fs::path& path, const BatchEnvironment& env) {
  return path.is_absolute() ? path : env.working_directory / path;
}

// The sender as config.ini names it: a municipality of the table and both names of the contact person.
int CheckSender(const UserConfig& config, const Status& read, reference::ReferenceTables& tables,
                const BatchEnvironment& env) {
  const auto faults = validation::SenderFaults(config.CodiceComune, tables.DescComune(config.CodiceComune).value,
                                               config.CognomeReferente, config.NomeReferente);
  if (faults.empty()) return kWritten;
  std::string message = validation::SenderFaultText(faults, kSenderRemedy);
  if (!read) message += "\n" + read.message();  // a missing, short or damaged config.ini says why
  return Fault(env.err, message);
}

// Every row that the check refuses, after the message of the window: where it comes from (the file
// and its line) and what it fails.
void SayFailedRows(const std::vector<validation::FailedRow>& failed, const std::vector<fs::path>& sources,
                   const std::vector<int>& first_rows, std::ostream& out) {
  std::vector<int> rows;
  for (const auto& row : failed) rows.push_back(row.row);
  Say(out, validation::ReportFailedRows(rows));
  for (const auto& row : failed) {
    std::size_t file = 0;
    while (file + 1 < first_rows.size() && first_rows[file + 1] <= row.row) ++file;
    out << sources[file].string() << ':' << row.row - first_rows[file] + 1 << ": riga " << row.row << ": "
        << validation::FailedRowReasons(row) << '\n';
  }
}

int Run(const Arguments& args, const BatchEnvironment& env) {
  // Everything the run needs from its surroundings is checked before any work.
  UserConfig config;
  const Status read = ReadConfig(env.working_directory / "config.ini", config);
  reference::ReferenceTables tables(env.working_directory);
  if (const Status status = tables.Check(); !status) return Fault(env.err, status.message());
  if (const int sender = CheckSender(config, read, tables, env); sender != kWritten) return sender;
  const fs::path schema = output::SchemaPath(env.working_directory);
  if (const Status usable = output::CheckSchema(schema); !usable) return Fault(env.err, usable.message());
  const fs::path dest = InWorkingDirectory(args.dest, env);
  if (!fs::is_directory(dest)) return Fault(env.err, "la cartella di destinazione non esiste: " + dest.string());
  const fs::path riepilogo = args.riepilogo.empty() ? fs::path() : InWorkingDirectory(args.riepilogo, env);
  if (!riepilogo.empty() && !fs::is_directory(riepilogo.parent_path())) {
    return Fault(env.err, "la cartella del riepilogo non esiste: " + riepilogo.parent_path().string());
  }

  SubjectTable table;
  std::vector<int> first_rows;  // the first table row of each file
  for (const auto& file : args.files) {
    first_rows.push_back(table.Count() + 1);
    auto result = import::ImportCsv(InWorkingDirectory(file, env), table.Count(), tables);
    if (!result.ok) {
      env.out << file.string() << ":\n";
      Say(env.out, import::ImportFailureText(result, table.Count()));
      return kRefused;
    }
    import::AppendRows(table, std::move(result.rows));
  }

  // The date box of the window holds dd/mm/yyyy: a date typed otherwise is written so.
  CommunicationHeader header{args.numero, args.data};
  if (const auto date = dates::ParseDayMonthYear(args.data)) header.data = dates::FormatDdMmYyyy(*date);
  const auto checked = validation::ValidateCommunicationHeader(header.numero, header.data, table.Count());
  if (!checked.ok()) {
    Say(env.out, checked.warning);
    return kRefused;
  }
  const auto failed = validation::CheckSubjectTable(table, env.now.date, tables.Snapshot());
  if (!failed.empty()) {
    SayFailedRows(failed, args.files, first_rows, env.out);
    return kRefused;
  }

  const output::Sender sender{config.CodiceComune, config.CognomeReferente, config.NomeReferente};
  output::NoticeFolderMaker folders;
  const auto outcome = output::WriteNotice({sender, header, table, schema}, dest,
                                           {env.now.date, env.now.hour, env.now.minute}, folders);
  if (!outcome.valid) {
    // A notice that fails its schema is refused data; a folder or file that cannot be made or written,
    // or a schema that cannot be used, is the surroundings.
    if (outcome.fault == output::NoticeFault::kEnvironment) return Fault(env.err, outcome.message);
    Say(env.out, outcome.message);
    return kRefused;
  }
  Say(env.out, outcome.message);
  env.out << outcome.file.string() << '\n';
  if (!riepilogo.empty()) {
    const output::Notice notice{sender, header, table, schema};
    const auto summary = summary::MakeSummary(notice, tables.DescComune(config.CodiceComune).value, outcome.file, env.now);
    const Status written = summary ? summary::WriteSummary(*summary, riepilogo)
                                   : Status::Failure("Impossibile leggere il file " + outcome.file.string());
    if (!written) return Fault(env.err, summary::SummaryNotWrittenText(written.message(), outcome.file.string()));
    env.out << "Riepilogo: " << riepilogo.string() << '\n';
  }
  return kWritten;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, const BatchEnvironment& env) {
  auto parsed = Parse(args, env);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  return Run(std::get<Arguments>(parsed), env);
}

}  // namespace nerovale::batch
