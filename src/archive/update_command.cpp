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
#include "core/system_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "core/version.h"

namespace nerovale::archive {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kShownEntries = 10;
// The validity file of the whole archive takes some 900 KB.
constexpr std::size_t kMaxValidityBytes = std::size_t{16} << 20;

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
    "Accanto scrive ref/FileValiditaComuni.txt: per ogni nome e codice la provincia\n"
    "e il periodo in cui quel nome ha avuto quel codice, e quale nome è quello attuale.\n"
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

// What runs killed half way left beside the table goes first; the tables themselves never do.
void RemoveUnfinished(const fs::path& table, std::ostream& out) {
  for (const auto& removed : RemoveUnfinishedWrites(table)) {
    out << "Rimosso il file temporaneo di un aggiornamento interrotto: " << removed.string() << '\n';
  }
}

// Whether the file holds exactly these lines (a missing or unreadable file does not).
bool SameCp1252Lines(const fs::path& file, const std::vector<std::string>& lines) {
  std::string bytes;
  if (files::ReadWholeFile(file, kMaxValidityBytes, bytes) != 0) return false;
  std::string expected;
  for (const auto& line : lines) expected += text::Cp1252FromUtf8(line) + "\r\n";
  return bytes == expected;
}

// The validity file is made from the archive alone and kept by no copy: written whole or not at all.
int WriteValidity(const fs::path& file, const std::vector<std::string>& lines, const CommandEnvironment& env) {
  if (const Status status = text::WriteCp1252LinesAtomically(file, lines); !status) {
    return Fail(env.err, status.message());
  }
  env.out << "Validità dei nomi scritta: " << file.string() << " (" << lines.size() << " righe)\n";
  return kDone;
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

  const fs::path validity = data.Validity();
  const auto refused_rights = [&] {
    return Fail(env.err, "la tabella installata " + table.string() +
                             " si cambia soltanto con i diritti di amministratore (sudo): nessun file è stato cambiato");
  };
  const bool may_write = !data.installed_ref || access(table.parent_path().c_str(), W_OK) == 0;
  std::vector<std::string> validity_lines;
  for (const auto& line : BuildValidityLines(archive.records)) validity_lines.push_back(ValidityLineText(line));
  const bool validity_changed = archive.dated && !SameCp1252Lines(validity, validity_lines);
  if (!archive.dated) env.out << "L'archivio non dà i periodi dei nomi: " << validity.string() << " non viene scritto.\n";

  const TableDifference difference = CompareTables(current.lines, lines);
  if (difference.identical) {
    env.out << "La tabella è già aggiornata: nulla da cambiare.\n";
    if (!validity_changed) return kDone;
    if (parsed.mode == Mode::kTrial) {
      env.out << "Prova: " << validity.string() << " va riscritto; nessun file è stato cambiato.\n";
      return kDone;
    }
    if (!may_write) return refused_rights();
    RemoveUnfinished(table, env.out);
    return WriteValidity(validity, validity_lines, env);
  }
  env.out << DescribeDifference(difference, updated.kept, kShownEntries);
  if (parsed.mode == Mode::kTrial) {
    env.out << "Prova: nessun file è stato cambiato.\n";
    return kDone;
  }
  if (!may_write) return refused_rights();
  if (parsed.mode == Mode::kAsk) {
    env.out << "Sostituire la tabella? (s/N) " << std::flush;
    if (!Confirmed(env.in)) {
      env.out << "La tabella resta com'era.\n";
      return kDeclined;
    }
  }

  RemoveUnfinished(table, env.out);
  const Replacement replacement = ReplaceTable(table, lines, env.today);
  if (!replacement.status) return Fail(env.err, replacement.status.message());
  if (!replacement.backup.empty()) {
    env.out << (replacement.backup_existed ? "La tabella precedente era già conservata, uguale, in "
                                           : "Tabella precedente conservata in ")
            << replacement.backup.string() << '\n';
  }
  env.out << "Tabella sostituita: " << table.string() << " (" << lines.size() << " righe)\n";
  return validity_changed ? WriteValidity(validity, validity_lines, env) : kDone;
}

}  // namespace nerovale::archive
