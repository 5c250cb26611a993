#pragma once

#include <string>
#include <string_view>

#include "core/subject_table.h"

// What the windows say to the operator outside the rules of a subject or of the table, kept here so
// that the windows and the check of the manual read the same words. Plain C++: no window is needed
// to read them.
namespace nerovale::ui {

// The remedy under the faults of the sender (validation::SenderFaultText) in the window.
inline constexpr std::string_view kSenderRemedyWindow =
    "Completarli da \"Configurazione\" → \"Modifica Configurazione Utente\" prima di creare il file XML.";

// "Inserisci Soggetto", and "Inserisci" of a new subject, on a full table.
inline std::string TableFullText() {
  return "La comunicazione contiene già " + std::to_string(SubjectTable::kMaxSubjects) +
         " soggetti, il numero massimo: non è possibile inserirne altri.";
}

// "Inserisci" of a form whose subject was deleted (or the table emptied) while it was open.
inline constexpr std::string_view kEditedSubjectGone =
    "Il soggetto in modifica è stato eliminato dalla tabella mentre la scheda era aperta: le modifiche non sono "
    "state salvate.\r\nChiudere la scheda con \"Annulla\".";

// The user data dialog, "OK" with a box left empty.
inline constexpr std::string_view kInserireComune = "Inserire il Comune";
// The choice between the municipalities that bore one name on the day of a birth or a death.
inline constexpr std::string_view kSceltaComuneTitolo = "Scelta del Comune";
inline constexpr std::string_view kSceltaComune = "Alla data più Comuni si chiamavano %1. Quale?";
// Above the notes on a stored subject's places.
inline constexpr std::string_view kNotaLuoghi = "Soggetto inserito. Nota:";
inline constexpr std::string_view kInserireCognomeReferente = "Inserire il Cognome del Referente";
inline constexpr std::string_view kInserireNomeReferente = "Inserire il Nome del Referente";

// config.ini could not be written, or read back once written; the reason follows on the next line.
inline std::string ConfigNotSavedText(const std::string& reason) {
  return "Impossibile salvare la configurazione:\r\n" + reason;
}
inline std::string ConfigNotReadText(const std::string& reason) {
  return "Impossibile rileggere la configurazione:\r\n" + reason;
}

// The first start in the user's own folder (started from the menu, not in a folder of the program):
// where config.ini, the draft and, unless another is chosen, the notices are kept.
inline std::string UserFolderText(const std::string& folder) {
  return "Nerovale lavora nella cartella " + folder +
         ", creata al primo avvio: vi tiene config.ini e la bozza, e vi propone di salvare i file XML.";
}
// The user's own folder cannot be made: the program ends.
inline std::string UserFolderNotMadeText(const std::string& reason) {
  return reason + "\r\nNerovale si chiude.";
}

// After a validated notice, beside its success message.
inline constexpr std::string_view kEmptyTableQuestion = "Svuotare la tabella per la prossima comunicazione?";
inline std::string ValidatedNoticeText(const std::string& success) {
  return success + "\n\n" + std::string(kEmptyTableQuestion);
}

// A second start in a working folder where the program already runs.
inline constexpr std::string_view kAlreadyOpen = "Nerovale è già aperto in questa cartella.";

// The import dialog, "OK" with no file chosen.
inline constexpr std::string_view kSelezionareUnFile = "Selezionare un file";

// The folder lists, a drive that cannot be opened.
inline constexpr std::string_view kDriveNonDisponibile = "Drive non disponibile";

// "?" → "Guida" when the manual is not there, or when no program of the desktop opens it.
inline std::string ManualMissingText(const std::string& path) {
  return "Il manuale non è stato trovato. Dovrebbe trovarsi nel file:\r\n" + path;
}
// "Registro": the chosen notice's folder is gone, or no program opens it.
inline std::string FolderGoneText(const std::string& folder) { return "La cartella " + folder + " non esiste più."; }
inline std::string FolderNotOpenedText(const std::string& folder) {
  return "Non è stato possibile aprire la cartella " + folder + ".";
}
inline std::string ManualNotOpenedText(const std::string& path) {
  return "Non è stato possibile aprire il manuale con un lettore di PDF. Il manuale si trova nel file:\r\n" + path;
}

// What a screen reader says of the controls that show a picture or a letter only: the palette
// button of a box and the calendar button of a date box, each followed by its box's caption.
inline constexpr std::string_view kPaletteName = "Caratteri speciali";
inline constexpr std::string_view kCalendarName = "Calendario";
// The controls without a caption of their own: the code beside the sender's municipality, the grid.
inline constexpr std::string_view kCodiceComuneName = "Codice del Comune";
inline constexpr std::string_view kGridName = "Soggetti della comunicazione";
// The days of the calendar.
inline constexpr std::string_view kDaysName = "Giorni del mese";
// The folder and file lists, and the drive list, of the file dialogs.
inline constexpr std::string_view kFoldersName = "Cartelle";
inline constexpr std::string_view kDrivesName = "Unità";
inline constexpr std::string_view kFilesName = "File";
inline constexpr std::string_view kFoldersDescription = "Invio apre la cartella, Backspace torna a quella superiore";
// The descriptions of the sex options, whose captions are a letter.
inline constexpr std::string_view kSessoMaschile = "Sesso maschile";
inline constexpr std::string_view kSessoFemminile = "Sesso femminile";

}  // namespace nerovale::ui
