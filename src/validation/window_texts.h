#pragma once

#include <string>
#include <string_view>

#include "core/subject_table.h"

// Texts of the windows that answer the operator outside the rules of a subject or of the table.
namespace nerovale::validation {

// "Inserisci Soggetto", and "Inserisci" of a new subject, on a full table.
inline std::string TableFullText() {
  return "La comunicazione contiene già " + std::to_string(SubjectTable::kMaxSubjects) +
         " soggetti, il numero massimo: non è possibile inserirne altri.";
}

// "Inserisci" of a form whose subject was deleted (or the table emptied) while it was open.
inline constexpr std::string_view kEditedSubjectGone =
    "Il soggetto in modifica è stato eliminato dalla tabella mentre la scheda era aperta: le modifiche non sono "
    "state salvate.\r\nChiudere la scheda con \"Annulla\".";

}  // namespace nerovale::validation
