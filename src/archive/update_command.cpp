#include "archive/update_command.h"

#include <unistd.h>

#include <istream>
#include <ostream>
#include <string_view>

#include "archive/municipality_archive.h"
#include "archive/table_difference.h"
#include "archive/table_file.h"
#include "archive/table_update.h"
#include "core/data_places.h"
#include "core/text.h"
#include "core/version.h"

namespace nerovale::archive {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kShownEntries = 10;

constexpr std::string_view kHelp =
    "Uso: nerovale-tabelle [--si | --prova] ARCHIVIO.csv\n"
    "\n"
    "Aggiorna la tabella dei comuni ref/FileCodComuni.txt con l'archivio storico dei\n"
    "comuni dell'ANPR (il file CSV degli open data ANPR, licenza CC BY 4.0): aggiunge\n"
    "i nomi che mancano e cambia i codici che l'archivio smentisce; le righe di cui\n"
    "l'archivio non sa nulla restano. Va eseguito nella cartella dell'applicazione; senza\n"
    "ref/ in quella cartella aggiorna la tabella installata con il programma\n"
    "(../share/nerovale/ref accanto a bin/), se lo si esegue con i diritti per farlo.\n"
    "Mostra le differenze con la tabella attuale e chiede conferma; la tabella\n"
    "precedente resta come ref/FileCodComuni.txt.AAAAMMGG (_2, _3, ... per un'altra\n"
    "tabella dello stesso giorno); nessuna copia viene mai sostituita.\n"
    "\n"
    "  --si     sostituisce la tabella senza chiedere conferma\n"
    "  --prova  mostra soltanto le differenze e non cambia nulla\n"
    "  --version la versione del programma\n"
    "  --help   questo testo\n"
    "\n"
    "Codici di uscita:\n"
    "  0  tabella sostituita, già aggiornata, oppure prova eseguita\n"
    "  1  sostituzione non confermata\n"
    "  2  errore d'uso o d'ambiente (argomenti errati, cartella ref mancante, archivio\n"
    "     illeggibile o rifiutato, tabella che non si può leggere o scrivere)\n";

enum class Mode { kAsk, kYes, kTrial };

struct Arguments {
  Mode mode = Mode::kAsk;
  fs::path archive;
  bool help = false;
  bool version = false;
  std::string problem;  // why the arguments are not usable, or ""
};

Arguments Parse(const std::vector<std::string>& args) {
  Arguments parsed;
  std::size_t files = 0;
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
    } else if (arg == "--version") {
      parsed.version = true;
    } else if (arg == "--si" || arg == "--prova") {
      const Mode mode = arg == "--si" ? Mode::kYes : Mode::kTrial;
      if (parsed.mode != Mode::kAsk && parsed.mode != mode) parsed.problem = "--si e --prova si escludono";
      parsed.mode = mode;
    } else if (arg.starts_with("-")) {
      parsed.problem = "opzione sconosciuta " + arg;
    } else {
      parsed.archive = arg;
      ++files;
    }
  }
  if (parsed.problem.empty() && files != 1) {
    parsed.problem = files == 0 ? "manca il file dell'archivio" : "un solo archivio alla volta";
  }
  return parsed;
}

// The answer on the first line of the input; a line longer than any answer (an input that never
// ends a line, such as a device) is no answer, and is not read to its end.
bool Confirmed(std::istream& in) {
  constexpr std::size_t kLongestAnswer = 64;
  std::string answer;
  for (int c; (c = in.get()) != std::char_traits<char>::eof() && c != '\n';) {
    if (answer.size() == kLongestAnswer) return false;
    answer.push_back(static_cast<char>(c));
  }
  if (answer.empty() && !in) return false;
  if (answer.ends_with('\r')) answer.pop_back();
  answer = text::ToUpper(text::TrimBlanks(answer));
  return answer == "S" || answer == "SI" || answer == "SÌ";
}

// What the new table is made from and what it replaces.
void Introduce(std::ostream& out, const fs::path& archive_name, const Archive& archive, const fs::path& table,
               const TableReading& current, std::size_t new_lines) {
  out << "Archivio " << archive_name.string() << ": " << archive.records.size() << " righe con codice, "
      << archive.current_count << " comuni attuali";
  if (archive.without_code > 0) out << " (" << archive.without_code << " righe cessate senza codice, tralasciate)";
  out << "\nTabella attuale " << table.string() << ": ";
  if (current.exists) {
    out << current.lines.size() << " righe";
  } else {
    out << "assente";
  }
  out << "\nNuova tabella: " << new_lines << " righe\n";
}

int Fail(std::ostream& err, const std::string& message) {
  err << "nerovale-tabelle: " << message << '\n';
  return kFault;
}

}  // namespace

int RunTableUpdate(const std::vector<std::string>& args, const CommandEnvironment& env) {
  const Arguments parsed = Parse(args);
  if (parsed.help) {
    env.out << kHelp;
    return kDone;
  }
  if (parsed.version) {
    env.out << "nerovale-tabelle " << kVersion << '\n';
    return kDone;
  }
  if (!parsed.problem.empty()) {
    env.err << "nerovale-tabelle: " << parsed.problem << "\n\n" << kHelp;
    return kFault;
  }
  // The table the programs would read: the working folder's ref/, or else the installed one.
  const places::DataPlaces data = places::FindData(env.application_folder, env.installed_data);
  const fs::path table = data.Comuni();
  std::error_code ec;
  if (!fs::is_directory(table.parent_path(), ec)) {
    return Fail(env.err, "manca la cartella " + table.parent_path().string() +
                             ": il comando va eseguito nella cartella dell'applicazione");
  }

  const fs::path archive_file = parsed.archive.is_absolute() ? parsed.archive : env.application_folder / parsed.archive;
  const ArchiveReading reading = ReadMunicipalityArchive(archive_file);
  if (!reading.status) return Fail(env.err, reading.status.message());
  const Archive& archive = reading.archive;
  const TableReading current = ReadTable(table);
  if (!current.status) return Fail(env.err, current.status.message());
  const UpdatedTable updated = UpdateMunicipalityTable(current.lines, archive.records);
  const std::vector<TableLine>& lines = updated.lines;

  Introduce(env.out, parsed.archive, archive, table, current, lines.size());

  const TableDifference difference = CompareTables(current.lines, lines);
  if (difference.identical) {
    env.out << "La tabella è già aggiornata: nulla da cambiare.\n";
    return kDone;
  }
  env.out << DescribeDifference(difference, updated.kept, kShownEntries);
  if (parsed.mode == Mode::kTrial) {
    env.out << "Prova: nessun file è stato cambiato.\n";
    return kDone;
  }
  if (data.installed_ref && access(table.parent_path().c_str(), W_OK) != 0) {
    return Fail(env.err, "la tabella installata " + table.string() +
                             " si cambia soltanto con i diritti di amministratore (sudo): nessun file è stato cambiato");
  }
  if (parsed.mode == Mode::kAsk) {
    env.out << "Sostituire la tabella? (s/N) " << std::flush;
    if (!Confirmed(env.in)) {
      env.out << "La tabella resta com'era.\n";
      return kDeclined;
    }
  }

  // What runs killed half way left beside the table goes first; the tables themselves never do.
  for (const auto& removed : RemoveUnfinishedWrites(table)) {
    env.out << "Rimosso il file temporaneo di un aggiornamento interrotto: " << removed.string() << '\n';
  }
  const Replacement replacement = ReplaceTable(table, lines, env.today);
  if (!replacement.status) return Fail(env.err, replacement.status.message());
  if (!replacement.backup.empty()) {
    env.out << (replacement.backup_existed ? "La tabella precedente era già conservata, uguale, in "
                                           : "Tabella precedente conservata in ")
            << replacement.backup.string() << '\n';
  }
  env.out << "Tabella sostituita: " << table.string() << " (" << lines.size() << " righe)\n";
  return kDone;
}

}  // namespace nerovale::archive
