#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/subject_table.h"
#include "reference/reference_tables.h"

namespace nerovale::validation {

// The raw texts of the subject entry form, one per control.
struct SubjectEntry {
  std::string cognome;                 // CognomeBox
  std::string nome;                    // NomeBox
  std::string sesso;                   // "M" (Option1), "F" (Option2) or ""
  std::string giorno, mese, anno;      // GiornoBox, MeseBox, AnnoBox
  std::string comune_nascita;          // ComuneITCombo
  std::string cod_comune_nascita;      // ComuneNCodBox
  std::string comune_estero_nascita;   // ComuneSTBox
  std::string nazione_nascita;         // StatoCombo
  std::string cod_nazione_nascita;     // StatoNCodBox
  std::string codice_fiscale;          // CodiceFiscaleBox
  std::string nome_padre;              // PaternitaBox
  std::string data_decesso;            // DataDecessoBox, with its literals ("__/__/____" untouched)
  std::string nazione_decesso;         // StatoDCombo
  std::string cod_nazione_decesso;     // StatoDCodBox
  std::string comune_decesso;          // ComuneITDCombo
  std::string cod_comune_decesso;      // ComuneDCodBox
  std::string comune_estero_decesso;   // ComuneSTDBox
  std::string atto_morte;              // AttoMorteBox
  std::string comune_atto;             // ComuneAttoCombo
  std::string cod_comune_atto;         // ComuneAttoBox
  std::string anno_protocollo;         // AnnoProtocolloBox
  std::string numero_protocollo;       // NumProtocolloBox
  bool operator==(const SubjectEntry&) const = default;
};

// The rules of one subject, in the order in which their failures are listed (the value is that place,
// 1 to 23).
enum class EntryRule {
  kCognome = 1,             // 1
  kNome,                    // 2
  kSesso,                   // 3
  kCodiceFiscale,           // 4: length for a subject born in Italy, and consistency
  kCodiceFiscaleDataCompleta,  // 5: a code beside a year of birth alone
  kAnnoNascita,             // 6
  kNomePadre,               // 7
  kDataNascita,             // 8
  kComuneNascita,           // 9
  kNazioneNascita,          // 10
  kComuneNascitaCoerente,   // 11
  kDataDecesso,             // 12
  kDecessoDopoNascita,      // 13
  kNascitaFutura,           // 14
  kDecessoFuturo,           // 15
  kNazioneDecesso,          // 16
  kComuneDecessoItalia,     // 17
  kComuneEsteroDecesso,     // 18
  kComuneDecessoCoerente,   // 19
  kAttoMorte,               // 20
  kComuneAtto,              // 21
  kAnnoProtocollo,          // 22
  kNumeroProtocollo,        // 23
};
inline constexpr int kEntryRuleCount = 23;

// The message line of a rule ("- Cognome non inserito correttamente").
std::string_view RuleMessage(EntryRule rule);

// One failed rule: which, its message line and the names of the controls that the form highlights.
struct RuleFailure {
  EntryRule rule;
  std::string_view message;
  std::vector<std::string_view> controls;
};

struct EntryOutcome {
  bool accepted = false;
  SubjectRow row;                       // the row to store, when accepted
  std::vector<RuleFailure> failures;    // in rule order, when rejected
};

// A day or month of one character gets a leading "0" (5 becomes 05); the form shows the longer text.
std::string PadDayOrMonth(std::string text);

// Checks one subject as the operator confirms it. Names are compacted and trimmed; the birth date
// becomes d/m/yyyy, mm/yyyy or yyyy; everything else is kept as given.
[[nodiscard]] EntryOutcome ValidateSubjectEntry(SubjectEntry entry, const dates::Date& today, const reference::PlaceCodes& places);

// The warning that lists failed rules: the header line, CR LF, then CR LF before every message line.
std::string WarningText(const std::vector<std::string_view>& lines);
std::string RejectionText(const std::vector<RuleFailure>& failures);

}  // namespace nerovale::validation
