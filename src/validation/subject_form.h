#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/subject_table.h"
#include "reference/reference_tables.h"
#include "validation/key_filter.h"

namespace nerovale::validation {

// The entry form's values: the text of each of its controls, and the code each place was looked up
// to (kept here, not in the form's controls). The sex is "M", "F" or ""; the death date keeps the
// literals of its box ("__/__/____" when untouched).
struct SubjectForm {
  std::string cognome;                 // CognomeBox
  std::string nome;                    // NomeBox
  std::string sesso;                   // Option1 (M), Option2 (F)
  std::string giorno, mese, anno;      // GiornoBox, MeseBox, AnnoBox
  std::string comune_nascita;          // ComuneITCombo
  std::string cod_comune_nascita;      //   its code
  std::string comune_estero_nascita;   // ComuneSTBox
  std::string nazione_nascita;         // StatoCombo
  std::string cod_nazione_nascita;     //   its code
  std::string codice_fiscale;          // CodiceFiscaleBox
  std::string nome_padre;              // PaternitaBox
  std::string data_decesso;            // DataDecessoBox
  std::string nazione_decesso;         // StatoDCombo
  std::string cod_nazione_decesso;     //   its code
  std::string comune_decesso;          // ComuneITDCombo
  std::string cod_comune_decesso;      //   its code
  std::string comune_estero_decesso;   // ComuneSTDBox
  std::string atto_morte;              // AttoMorteBox
  std::string comune_atto;             // ComuneAttoCombo
  std::string cod_comune_atto;         //   its code
  std::string anno_protocollo;         // AnnoProtocolloBox
  std::string numero_protocollo;       // NumProtocolloBox
  bool operator==(const SubjectForm&) const = default;

  // A new subject: both countries Italy, everything else empty.
  static SubjectForm New();
  // A stored row, as the form shows it: the birth date split back into its three boxes (a month and
  // year into the month and year, a year alone into the year).
  static SubjectForm FromRow(const SubjectRow& row);

  // The values as cells in the columns of the table, the way the draft keeps an open form: every
  // text and code in its column, the three birth date boxes in one cell as "giorno/mese/anno" with
  // both slashes even when the boxes are empty (they take digits only), column 0 empty.
  // FromCells(form.Cells()) == form.
  SubjectRow Cells() const;
  static SubjectForm FromCells(const SubjectRow& cells);
};

// The controls of the form that hold a value, in tab order.
enum class Field {
  kCognome, kNome, kSesso, kGiorno, kMese, kAnno, kComuneNascita, kComuneEsteroNascita, kNazioneNascita,
  kCodiceFiscale, kNomePadre, kDataDecesso, kNazioneDecesso, kComuneDecesso, kComuneEsteroDecesso, kAttoMorte,
  kComuneAtto, kAnnoProtocollo, kNumeroProtocollo,
};
inline constexpr std::size_t kFieldCount = 19;

// How a field of the form is shown: a box, a combo of places (with a code), the two sex options or
// the masked death date.
enum class FieldKind { kBox, kPlace, kCountry, kSex, kDate };

// Everything about one field, in one place: its control's name, its value, the table column it fills
// (the three birth date boxes fill one), the code and code column of a place, the key filter of a box
// (none for the sex and the date), and the palette's number for the box ("Àß"), 0 for none.
struct FieldInfo {
  Field field;
  FieldKind kind;
  std::string_view control;
  std::string SubjectForm::*value;
  Column column;
  std::string SubjectForm::*code = nullptr;
  Column code_column = kNumero;
  const FieldFilter* filter = nullptr;
  int palette = 0;
};

// The fields in tab order; Info(field) is the entry of one.
const std::array<FieldInfo, kFieldCount>& Fields();
const FieldInfo& Info(Field field);
// The field that shows a column of the table (a code column: its place's field); none for the number
// and the sex.
std::optional<Field> FieldOfColumn(std::size_t column);

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

// One failed rule: which, its message line and the fields that the form highlights.
struct RuleFailure {
  EntryRule rule;
  std::string_view message;
  std::vector<Field> fields;
};

struct EntryOutcome {
  bool accepted = false;
  SubjectRow row;                       // the row to store, when accepted
  std::vector<RuleFailure> failures;    // in rule order, when rejected
};

// A day or month of one character gets a leading "0" (5 becomes 05); the form shows the longer text.
std::string PadDayOrMonth(std::string text);

// Checks one subject as the operator confirms it, and makes its row. Names are compacted and trimmed;
// the birth date becomes d/m/yyyy, mm/yyyy or yyyy; everything else is kept as given. A subject was
// born (died) in Italy when its country's code is Italy's.
[[nodiscard]] EntryOutcome Validate(SubjectForm form, const dates::Date& today, const reference::PlaceCodes& places);

// The warning that lists failed rules: the header line, CR LF, then CR LF before every message line.
std::string WarningText(const std::vector<std::string_view>& lines);
std::string RejectionText(const std::vector<RuleFailure>& failures);

}  // namespace nerovale::validation
