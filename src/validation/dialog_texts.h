#pragma once

#include <string>
#include <string_view>

// What the small dialogs and the help say to the operator, kept here so that the windows and the
// check of the manual read the same words.
namespace nerovale::validation {

// The user data dialog, "OK" with a box left empty.
inline constexpr std::string_view kInserireComune = "Inserire il Comune";
inline constexpr std::string_view kInserireCognomeReferente = "Inserire il Cognome del Referente";
inline constexpr std::string_view kInserireNomeReferente = "Inserire il Nome del Referente";

// config.ini could not be written, or read back once written; the reason follows on the next line.
inline std::string ConfigNotSavedText(const std::string& reason) {
  return "Impossibile salvare la configurazione:\r\n" + reason;
}
inline std::string ConfigNotReadText(const std::string& reason) {
  return "Impossibile rileggere la configurazione:\r\n" + reason;
}

// The import dialog, "OK" with no file chosen.
inline constexpr std::string_view kSelezionareUnFile = "Selezionare un file";

// The folder lists, a drive that cannot be opened.
inline constexpr std::string_view kDriveNonDisponibile = "Drive non disponibile";

// "?" → "Guida" when the manual is not there, or when no program of the desktop opens it.
inline std::string ManualMissingText(const std::string& path) {
  return "Il manuale non è stato trovato. Dovrebbe trovarsi nel file:\r\n" + path;
}
inline std::string ManualNotOpenedText(const std::string& path) {
  return "Non è stato possibile aprire il manuale con un lettore di PDF. Il manuale si trova nel file:\r\n" + path;
}

}  // namespace nerovale::validation
