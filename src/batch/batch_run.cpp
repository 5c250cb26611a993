#include "batch/batch_run.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <ostream>
#include <string_view>
#include <variant>

#include "core/draft.h"
#include "core/stop_signals.h"
#include "core/text.h"
#include "core/version.h"
#include "reference/place_dates.h"
#include "register/register_texts.h"
#include "signature/signature_texts.h"
#include "signature/signing.h"
#include "session/notice_session.h"
#include "summary/summary_texts.h"
#include "validation/sender_check.h"

namespace nerovale::batch {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "Uso: nerovale-batch --numero N --data gg/mm/aaaa --dest CARTELLA [--riepilogo FILE.pdf]\n"
    "                    [--registro FILE | --senza-registro] [--consenti-ripetizioni]\n"
    "                    [--firma-modulo MODULO.so --firma-pin-file FILE\n"
    "                     [--firma-certificato ETICHETTA]]\n"
    "                    FILE.csv [FILE.csv ...]\n"
    "       nerovale-batch --verifica FILE.p7m\n"
    "\n"
    "Prepara la comunicazione dei decessi senza finestre: importa i file CSV nell'ordine dato\n"
    "(ognuno per intero o per niente), controlla i dati della comunicazione e ogni soggetto,\n"
    "crea la cartella della comunicazione dentro CARTELLA, vi scrive il file XML e lo valida\n"
    "con ref/validate.xsd. Va eseguito nella cartella di lavoro dell'applicazione (config.ini,\n"
    "ref/); config.ini non viene mai scritto. Senza ref/ nella cartella di lavoro, tabelle e\n"
    "schema sono quelli installati con il programma (../share/nerovale/ref accanto a bin/).\n"
    "La comunicazione validata è registrata nel registro delle comunicazioni (registro.sqlite\n"
    "accanto a config.ini); un numero già usato nello stesso anno o un soggetto già comunicato\n"
    "fanno rifiutare i dati.\n"
    "\n"
    "  --numero N       numero della comunicazione (da 1 a 9 cifre)\n"
    "  --data D         data della comunicazione, gg/mm/aaaa\n"
    "  --dest CARTELLA  cartella in cui creare la cartella della comunicazione\n"
    "  --riepilogo FILE.pdf\n"
    "                   scrive anche il riepilogo da stampare (PDF) della comunicazione\n"
    "                   validata; sostituisce soltanto un PDF, mai config.ini, la bozza,\n"
    "                   un file di ref/, un file da importare o un file dentro CARTELLA\n"
    "  --registro FILE  usa un altro registro delle comunicazioni\n"
    "  --senza-registro non usa alcun registro: nessun controllo e nessuna registrazione\n"
    "  --consenti-ripetizioni\n"
    "                   scrive la comunicazione anche con un numero già usato o soggetti\n"
    "                   già comunicati\n"
    "  --firma-modulo MODULO.so\n"
    "                   firma il file XML validato con la smart card (CAdES, FILE.xml.p7m\n"
    "                   accanto al file XML) attraverso questo modulo PKCS#11\n"
    "  --firma-pin-file FILE\n"
    "                   il file che contiene il PIN della smart card (- : lo standard input)\n"
    "  --firma-certificato ETICHETTA\n"
    "                   il certificato con cui firmare; senza, quello del referente di\n"
    "                   config.ini\n"
    "  --verifica FILE.p7m\n"
    "                   verifica un file firmato: chi lo ha firmato, quando, con quale\n"
    "                   certificato, e se il contenuto è il file accanto (FILE)\n"
    "  --version        la versione del programma\n"
    "  --help           questo testo\n"
    "\n"
    "Codici di uscita:\n"
    "  0  file XML scritto e validato (e firmato, se richiesto); con --verifica: firma integra\n"
    "     e contenuto identico al file accanto\n"
    "  1  dati rifiutati: errore di importazione, dati della comunicazione o soggetti non\n"
    "     validi (con file, riga e motivo di ogni soggetto), numero già usato o soggetti già\n"
    "     comunicati secondo il registro, file XML non conforme allo schema\n"
    "  2  errore d'uso o d'ambiente: argomenti errati o ripetuti; Comune o referente mancanti\n"
    "     o non validi in config.ini; file di riferimento o schema mancanti, illeggibili o\n"
    "     danneggiati; modulo PKCS#11, smart card o certificato mancanti o non utilizzabili;\n"
    "     file CSV mancanti o illeggibili; cartella o file della comunicazione che non si\n"
    "     possono creare o scrivere (permessi, sola lettura, disco pieno, percorso troppo\n"
    "     lungo); registro che non si può leggere (prima della comunicazione) o scrivere (il\n"
    "     file XML resta, scritto e validato ma non registrato); riepilogo che non si può\n"
    "     scrivere o firma non eseguita (PIN errato o bloccato, certificato scaduto, file\n"
    "     firmato che non si può scrivere): il file XML resta, scritto e validato;\n"
    "     interruzione (SIGINT, SIGTERM, SIGHUP): nessun file XML resta a metà\n"
    "  Con --verifica: 1 firma non valida o contenuto diverso dal file accanto o assente,\n"
    "  2 file firmato illeggibile.\n";

constexpr std::string_view kSenderRemedy =
    "Completarli con l'applicazione (\"Configurazione\" → \"Modifica Configurazione Utente\"), che scrive "
    "config.ini.";

// Prints a message of the application with the terminal's line ends. No other control character
// reaches the terminal (an escape sequence in a file's name could rewrite what it shows).
void Say(std::ostream& out, std::string_view message) {
  std::string text;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    text.push_back(message[i] != '\n' && text::IsControl(static_cast<unsigned char>(message[i])) ? '?' : message[i]);
  }
  out << text << '\n';
}

// A path as a message shows it: a control character in it (a line break that would fake a line of
// the output) as "?".
std::string Shown(const fs::path& path) {
  std::string text = path.string();
  for (char& c : text) {
    if (text::IsControl(static_cast<unsigned char>(c))) c = '?';
  }
  return text;
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
  fs::path registro;   // empty: the one beside config.ini
  bool senza_registro = false;
  bool consenti_ripetizioni = false;
  fs::path firma_modulo;       // empty: the notice is not signed
  fs::path firma_pin_file;     // "-": standard input
  std::string firma_certificato;  // empty: the contact person's
  fs::path verifica;           // a signed file to check, and nothing else
  std::vector<fs::path> files;
};

// The arguments, or the exit status of a usage fault (or of --help) already reported.
std::variant<Arguments, int> Parse(const std::vector<std::string>& args, const BatchEnvironment& env) {
  Arguments parsed;
  std::vector<std::string_view> given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      env.out << kHelp;
      return kWritten;
    }
    if (arg == "--version") {
      env.out << "nerovale-batch " << kVersion << '\n';
      return kWritten;
    }
    if (arg == "--senza-registro" || arg == "--consenti-ripetizioni") {
      if (std::find(given.begin(), given.end(), arg) != given.end()) {
        return Usage(env.err, std::string(arg) + " è indicato più di una volta");
      }
      given.push_back(arg);
      (arg == "--senza-registro" ? parsed.senza_registro : parsed.consenti_ripetizioni) = true;
    } else if (arg == "--numero" || arg == "--data" || arg == "--dest" || arg == "--riepilogo" || arg == "--registro" ||
               arg == "--firma-modulo" || arg == "--firma-pin-file" || arg == "--firma-certificato" ||
               arg == "--verifica") {
      if (i + 1 >= args.size()) return Usage(env.err, std::string(arg) + " richiede un valore");
      // A second value would silently win over the first: the caller must say which one it means.
      if (std::find(given.begin(), given.end(), arg) != given.end()) {
        return Usage(env.err, std::string(arg) + " è indicato più di una volta");
      }
      given.push_back(arg);
      const std::string& value = args[++i];
      if (arg == "--numero") parsed.numero = value;
      if (arg == "--data") parsed.data = value;
      if (arg == "--dest") parsed.dest = value;
      if (arg == "--riepilogo") parsed.riepilogo = value;
      if (arg == "--registro") parsed.registro = value;
      if (arg == "--firma-modulo") parsed.firma_modulo = value;
      if (arg == "--firma-pin-file") parsed.firma_pin_file = value;
      if (arg == "--firma-certificato") parsed.firma_certificato = value;
      if (arg == "--verifica") parsed.verifica = value;
      // An empty path would mean the working directory, which nobody asks for by saying nothing.
      if (arg != "--numero" && arg != "--data" && value.empty()) {
        return Usage(env.err, std::string(arg) + " richiede un percorso non vuoto");
      }
    } else if (arg.starts_with("--")) {
      return Usage(env.err, "opzione sconosciuta " + text::Excerpt(arg));
    } else if (arg.empty()) {
      return Usage(env.err, "un file CSV indicato con un percorso vuoto");
    } else {
      parsed.files.emplace_back(arg);
    }
  }
  const auto has = [&given](std::string_view option) {
    return std::find(given.begin(), given.end(), option) != given.end();
  };
  if (has("--verifica")) {
    if (given.size() > 1 || !parsed.files.empty()) return Usage(env.err, "--verifica si indica da solo");
    return parsed;
  }
  if (has("--firma-modulo") != has("--firma-pin-file") || (has("--firma-certificato") && !has("--firma-modulo"))) {
    return Usage(env.err, "la firma richiede insieme --firma-modulo e --firma-pin-file");
  }
  if (!has("--numero") || !has("--data") || !has("--dest")) return Usage(env.err, "mancano --numero, --data o --dest");
  if (parsed.files.empty()) return Usage(env.err, "nessun file CSV indicato");
  if (has("--registro") && parsed.senza_registro) {
    return Usage(env.err, "--registro e --senza-registro non si possono indicare insieme");
  }
  // The number box of the window lets digits only in; nothing else may reach the file name.
  if (!parsed.numero.empty() && !text::IsDigits(parsed.numero)) {
    return Usage(env.err, "il numero deve contenere solo cifre");
  }
  return parsed;
}

fs::path InWorkingDirectory(const fs::path& path, const BatchEnvironment& env) {
  return path.is_absolute() ? path : env.working_directory / path;
}

// The destination: a folder that exists.
std::string DestinationFault(const fs::path& dest) {
  std::error_code error;
  const fs::file_status status = fs::status(dest, error);
  if (status.type() == fs::file_type::not_found) return "la cartella di destinazione non esiste: " + Shown(dest);
  if (error) return "la cartella di destinazione non si può usare: " + Shown(dest) + ": " + files::ItalianReason(error);
  if (status.type() != fs::file_type::directory) {
    return "la destinazione non è una cartella ma " +
           std::string(status.type() == fs::file_type::regular ? "un file" : "un file speciale") + ": " + Shown(dest);
  }
  return {};
}

// An input file: a regular file that can be opened for reading.
std::string InputFault(const fs::path& file) {
  const files::SystemFile opened = files::SystemFile::OpenForReading(file);
  if (opened.opened()) return {};
  if (opened.error() == ENOENT) return "Il file " + Shown(file) + " non esiste";
  return "Il file " + Shown(file) + " non è leggibile: " + files::ItalianReason(opened.error());
}

// Whether path is folder or inside it, as the file system resolves both (links followed).
bool Inside(const fs::path& path, const fs::path& folder) {
  std::error_code error;
  const fs::path p = fs::weakly_canonical(path, error);
  const fs::path f = fs::weakly_canonical(folder, error);
  if (error) return false;
  auto [end_f, end_p] = std::mismatch(f.begin(), f.end(), p.begin(), p.end());
  return end_f == f.end();
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;  // hard links and links too
  const fs::path ca = fs::weakly_canonical(a, error);
  return !error && ca == fs::weakly_canonical(b, error) && !error;
}

// The summary may take the place only of an earlier summary: never of a file that the run reads, of
// the files beside the program, or of anything in the destination; an existing file is replaced only
// when it is a PDF. What is wrong with the path, or "".
std::string SummaryPathFault(const fs::path& riepilogo, const std::vector<fs::path>& inputs, const fs::path& dest,
                             const fs::path& ref, const fs::path& registro, const BatchEnvironment& env) {
  const std::string where = "il riepilogo non può essere scritto in " + Shown(riepilogo) + ": ";
  std::error_code error;
  if (!fs::is_directory(riepilogo.parent_path(), error)) {
    return "la cartella del riepilogo non esiste: " + Shown(riepilogo.parent_path());
  }
  if (SameFile(riepilogo, env.working_directory / "config.ini")) return where + "è il file config.ini";
  if (SameFile(riepilogo, env.working_directory / draft::kFileName)) return where + "è la bozza della finestra";
  if (!registro.empty() && SameFile(riepilogo, registro)) return where + "è il registro delle comunicazioni";
  if (Inside(riepilogo, env.working_directory / "ref") || Inside(riepilogo, ref)) return where + "è nella cartella ref";
  for (const auto& input : inputs) {
    if (SameFile(riepilogo, input)) return where + "è un file da importare";
  }
  if (Inside(riepilogo, dest)) return where + "è nella cartella di destinazione delle comunicazioni";
  if (!files::AlreadyThere(riepilogo)) return {};
  if (fs::is_directory(riepilogo, error)) return where + "c'è una cartella con quel nome";
  files::SystemFile existing = files::SystemFile::OpenForReading(riepilogo);
  char head[5] = {};
  if (!existing.opened() || existing.Read(head, sizeof head) != static_cast<long>(sizeof head) ||
      std::string_view(head, sizeof head) != "%PDF-") {
    return where + "c'è già un file che non è un PDF, e non viene sostituito";
  }
  return {};
}

// "FILE:LINE: riga N: ", where a table row comes from.
std::string RowSource(int row, const std::vector<fs::path>& sources, const std::vector<int>& first_rows) {
  std::size_t file = 0;
  while (file + 1 < first_rows.size() && first_rows[file + 1] <= row) ++file;
  return Shown(sources[file]) + ':' + std::to_string(row - first_rows[file] + 1) + ": riga " + std::to_string(row) + ": ";
}

// The notes on each row's places (row numbers from 1; see reference::PlaceNotes).
using RowNotes = std::map<int, std::vector<std::string>>;
RowNotes NotesOnPlaces(const SubjectTable& table, const reference::ReferenceSnapshot& places) {
  RowNotes notes;
  const int count = table.Count();
  for (int r = 1; r <= count; ++r) {
    if (auto row_notes = reference::PlaceNotes(table.Row(r), places); !row_notes.empty()) notes[r] = std::move(row_notes);
  }
  return notes;
}

// Every row that the check refuses, after the message of the window: where it comes from (the file
// and its line) and what it fails, with the notes on its places (the municipalities its name stood for).
void SayFailedRows(const std::vector<validation::FailedRow>& failed, const RowNotes& notes,
                   const std::vector<fs::path>& sources, const std::vector<int>& first_rows, std::ostream& out) {
  std::vector<int> rows;
  for (const auto& row : failed) rows.push_back(row.row);
  Say(out, validation::ReportFailedRows(rows));
  for (const auto& row : failed) {
    out << RowSource(row.row, sources, first_rows) << validation::FailedRowReasons(row);
    if (const auto found = notes.find(row.row); found != notes.end()) {
      for (const auto& note : found->second) out << "; " << note;
    }
    out << '\n';
  }
}

// The guard of the register: a number used this year by this sender, subjects already sent. What it
// found is said; the answer is the exit status when the run must stop, or -1 to go on.
int Guard(session::NoticeSession& session, const Arguments& args, const std::vector<int>& first_rows,
          const BatchEnvironment& env) {
  constexpr std::string_view kNotWritten = "nessun file XML è stato salvato";
  const auto number = session.NumberUsed();
  if (!number.note.empty()) Say(env.out, number.note);
  if (!number.status) return Fault(env.err, number.status.message() + ": " + std::string(kNotWritten));
  const auto repeats = session.RepeatedSubjects();
  if (!repeats.note.empty()) Say(env.out, repeats.note);
  if (!repeats.status) return Fault(env.err, repeats.status.message() + ": " + std::string(kNotWritten));
  if (!number.value && repeats.value.empty()) return -1;
  if (number.value) Say(env.out, registry::NumberUsedText(session.header().numero, *number.value));
  for (const auto& repeat : repeats.value) {
    Say(env.out, RowSource(repeat.row, args.files, first_rows) + registry::RepeatedReason(repeat));
  }
  return kRefused;
}

// The token, the certificate and the PIN of a run that signs, made ready before any work.
struct Signer {
  std::unique_ptr<signature::Token> token;
  const signature::Certificate* certificate = nullptr;
  std::string pin;
};

// The PIN: the first line of its file, or of standard input for "-", without its line break.
std::string ReadPin(const fs::path& file, const BatchEnvironment& env, std::string& pin) {
  constexpr std::size_t kMaxPinFileBytes = 4096;
  std::string bytes;
  if (file == "-") {
    // One line, and no more than a PIN file may hold: standard input may be a device without end.
    for (int c; env.in != nullptr && bytes.size() <= kMaxPinFileBytes && (c = env.in->get()) != EOF && c != '\n';) {
      bytes.push_back(static_cast<char>(c));
    }
    if (bytes.size() > kMaxPinFileBytes) return "il PIN sullo standard input è troppo lungo";
    if (bytes.empty()) return "nessun PIN sullo standard input";
  } else if (const int error = files::ReadWholeFile(file, kMaxPinFileBytes, bytes); error != 0) {
    return files::ReadFailureText(file, error);
  }
  pin = bytes.substr(0, bytes.find_first_of("\r\n"));
  std::fill(bytes.begin(), bytes.end(), '\0');
  if (pin.empty()) return "il file del PIN " + Shown(file) + " è vuoto";
  return {};
}

// Opens the token and chooses the certificate (by label, or the contact person's); what keeps the
// run from signing, or "".
std::string PrepareSigner(const Arguments& args, const session::NoticeSession& session, const BatchEnvironment& env,
                          Signer& signer) {
  if (std::string fault = ReadPin(args.firma_pin_file == "-" ? args.firma_pin_file
                                                             : InWorkingDirectory(args.firma_pin_file, env),
                                  env, signer.pin);
      !fault.empty()) {
    return fault;
  }
  Status opened;
  signer.token = signature::Token::Open(InWorkingDirectory(args.firma_modulo, env), opened);
  if (!signer.token) return opened.message();
  const auto& certificates = signer.token->certificates();
  if (args.firma_certificato.empty()) {
    signer.certificate = &certificates[session.PreferredCertificate(certificates)];
  } else if ((signer.certificate = signature::CertificateByLabel(certificates, args.firma_certificato)) == nullptr) {
    std::string labels;
    for (const auto& c : certificates) labels += (labels.empty() ? "" : ", ") + c.label;
    return signature::CertificateNotFoundText(args.firma_certificato) + " Certificati presenti: " + labels;
  }
  if (const Status usable = session.CanSign(*signer.certificate); !usable) return usable.message();
  if (!signer.certificate->non_repudiation) {
    Say(env.err, "nerovale-batch: attenzione: " + signature::NoNonRepudiationText(signer.certificate->holder));
  }
  return {};
}

int Verify(const Arguments& args, const BatchEnvironment& env) {
  const fs::path p7m = InWorkingDirectory(args.verifica, env);
  const signature::SignedFileReport report = signature::CheckSignedFile(p7m);
  if (!report.verification.status) {
    return Fault(env.err, "il file " + Shown(p7m) + " non si può verificare: " + report.verification.status.message());
  }
  Say(env.out, signature::ReportText(p7m, report, signature::TimeOfMoment(env.clock.Now())));
  return signature::ReportIsGood(report) ? kWritten : kRefused;
}

int Run(const Arguments& args, const BatchEnvironment& env) {
  const auto stop_signal = [&env] { return env.stop_signal ? env.stop_signal() : 0; };
  const auto stopped = [&env, &stop_signal](std::string_view what) {
    return Fault(env.err, "interrotto dal segnale " + stop::SignalName(stop_signal()) + ": " + std::string(what));
  };
  constexpr std::string_view kNothingWritten = "nessun file XML è stato salvato";

  // Everything the run needs from its surroundings is checked before any work.
  session::NoticeSession session(env.working_directory, env.clock, env.installed_data);
  if (args.senza_registro) {
    session.UseRegister(nullptr);
  } else if (!args.registro.empty()) {
    session.UseRegister(registry::FileRegister(InWorkingDirectory(args.registro, env), env.clock));
  }
  const fs::path registro = args.senza_registro ? fs::path() : fs::path(session.notice_register()->Name());
  const Status read = session.ReadConfig();
  if (const Status status = session.tables().Check(); !status) return Fault(env.err, status.message());
  if (const auto faults = session.SenderFaults(); !faults.empty()) {
    // A missing, short, damaged or unreadable config.ini says why first: the faults follow from it.
    const std::string message = validation::SenderFaultText(faults, kSenderRemedy);
    return Fault(env.err, read ? message : read.message() + "\n" + message);
  }
  if (const Status usable = output::CheckSchema(session.SchemaFile()); !usable) return Fault(env.err, usable.message());
  const fs::path dest = InWorkingDirectory(args.dest, env);
  if (const std::string fault = DestinationFault(dest); !fault.empty()) return Fault(env.err, fault);
  std::vector<fs::path> inputs;
  for (const auto& file : args.files) {
    inputs.push_back(InWorkingDirectory(file, env));
    if (const std::string fault = InputFault(inputs.back()); !fault.empty()) return Fault(env.err, fault);
    // A file given twice would bring its subjects, and so their deaths, twice into one notice.
    for (std::size_t earlier = 0; earlier + 1 < inputs.size(); ++earlier) {
      if (SameFile(inputs[earlier], inputs.back())) {
        return Usage(env.err, "il file " + Shown(file) + " è indicato più di una volta");
      }
    }
  }
  const fs::path riepilogo = args.riepilogo.empty() ? fs::path() : InWorkingDirectory(args.riepilogo, env);
  if (!riepilogo.empty()) {
    if (const std::string fault = SummaryPathFault(riepilogo, inputs, dest, session.places().ref, registro, env);
        !fault.empty()) {
      return Fault(env.err, fault);
    }
  }

  Signer signer;
  if (!args.firma_modulo.empty()) {
    if (const std::string fault = PrepareSigner(args, session, env, signer); !fault.empty()) {
      return Fault(env.err, fault + ": " + std::string(kNothingWritten));
    }
  }

  std::vector<int> first_rows;  // the first table row of each file
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (stop_signal() != 0) return stopped(kNothingWritten);
    first_rows.push_back(session.table().Count() + 1);
    auto result = session.ReadCsv(inputs[i]);
    if (result.fault == import::ImportFault::kUnreadable && result.failed_line == 0) {
      return Fault(env.err, InputFault(inputs[i]));  // gone or changed since it was checked
    }
    if (!result.ok) {
      env.out << Shown(args.files[i]) << ":\n";
      Say(env.out, import::ImportFailureText(result, session.table().Count()));
      return kRefused;
    }
    session.AppendImported(std::move(result.rows));
  }

  if (stop_signal() != 0) return stopped(kNothingWritten);
  // Notes are warnings: they change no exit status.
  const RowNotes notes = NotesOnPlaces(session.table(), session.tables().Snapshot());
  for (const auto& [row, row_notes] : notes) {
    for (const auto& note : row_notes) env.err << RowSource(row, args.files, first_rows) << "nota: " << note << '\n';
  }
  const session::CheckOutcome checked = session.Check({args.numero, args.data});
  if (checked.failed == session::CheckOutcome::Failed::kHeader) {
    Say(env.out, checked.header_warning);
    return kRefused;
  }
  if (checked.failed == session::CheckOutcome::Failed::kRows) {
    SayFailedRows(checked.rows, notes, args.files, first_rows, env.out);
    return kRefused;
  }

  if (!args.senza_registro && !args.consenti_ripetizioni) {
    if (const int refused = Guard(session, args, first_rows, env); refused >= 0) return refused;
  }

  if (stop_signal() != 0) return stopped(kNothingWritten);
  const auto outcome = session.WriteNotice(dest, [&stop_signal] { return stop_signal() == 0; });
  for (const auto& removed : outcome.unfinished_removed) {
    env.out << "Rimosso quanto restava di una comunicazione non terminata: " << Shown(removed) << '\n';
  }
  if (!outcome.valid) {
    // A notice that fails its schema is refused data; a folder or file that cannot be made or written,
    // or a schema that cannot be used, is the surroundings.
    if (outcome.fault == output::NoticeFault::kStopped) return stopped(kNothingWritten);
    if (outcome.fault == output::NoticeFault::kEnvironment) return Fault(env.err, outcome.message);
    Say(env.out, outcome.message);
    return kRefused;
  }
  Say(env.out, outcome.message);
  env.out << Shown(outcome.file) << '\n';
  // A notice that the register did not take stays as it is, written and validated: the run says so
  // and ends with 2, after the summary asked for.
  int status = kWritten;
  const session::Registration& registration = session.last_notice()->registration;
  if (!registration.note.empty()) Say(env.out, registration.note);
  if (registration.state == session::Registration::State::kFailed) {
    status = Fault(env.err, "il file XML " + Shown(outcome.file) + " è scritto e validato ma non è registrato: " +
                                registration.reason);
  }
  // Signed before the summary, which then names the signer. A failure leaves the notice as it is.
  if (signer.token) {
    const signature::Signed made = session.SignLastNotice(*signer.token, *signer.certificate, signer.pin);
    std::fill(signer.pin.begin(), signer.pin.end(), '\0');
    if (!made.status) {
      status = Fault(env.err, "firma non eseguita: " + made.status.message() + "; il file XML " + Shown(outcome.file) +
                                  " resta, scritto e validato");
    } else {
      env.out << "File firmato: " << Shown(made.p7m) << '\n';
    }
  }
  if (!riepilogo.empty()) {
    if (stop_signal() != 0) {
      return stopped("il file XML " + Shown(outcome.file) + " è scritto e validato, il riepilogo non è stato scritto");
    }
    files::RemoveLeftoverTemporaries(riepilogo);  // of an earlier run killed while it wrote the summary
    if (const Status written = session.WriteSummary(riepilogo); !written) {
      return Fault(env.err, summary::SummaryNotWrittenText(written.message(), outcome.file.string()));
    }
    env.out << "Riepilogo: " << Shown(riepilogo) << '\n';
  }
  return status;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, const BatchEnvironment& env) {
  auto parsed = Parse(args, env);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  const Arguments& arguments = std::get<Arguments>(parsed);
  return arguments.verifica.empty() ? Run(arguments, env) : Verify(arguments, env);
}

}  // namespace nerovale::batch
