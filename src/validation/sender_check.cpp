#include "validation/sender_check.h"

#include "core/text.h"
#include "validation/character_sets.h"

namespace nerovale::validation {

std::vector<std::string> SenderFaults(std::string_view codice_comune, std::string_view nome_comune,
                                      std::string_view cognome, std::string_view nome) {
  std::vector<std::string> faults;
  if (codice_comune.empty()) {
    faults.emplace_back("- Comune non configurato");
  } else if (nome_comune.empty()) {
    faults.push_back("- Comune con codice \"" + text::Excerpt(codice_comune) + "\" non presente nella tabella dei comuni");
  }
  // The names as the user data dialog lets them be typed: a name of blanks alone is no name.
  const auto name_faults = [&faults](std::string_view name, const char* which) {
    if (text::TrimBlanks(name).empty()) {
      faults.push_back(std::string("- ") + which + " del Referente non inserito");
    } else if (text::Length(name) > fields::kReferente.max_length) {
      faults.push_back(std::string("- ") + which + " del Referente più lungo di " +
                       std::to_string(fields::kReferente.max_length) + " caratteri");
    } else if (!AllInSet(fields::kReferente.set, name)) {
      faults.push_back(std::string("- ") + which + " del Referente con caratteri non ammessi (solo lettere, spazio, "
                                                   "apostrofo e trattino)");
    }
  };
  name_faults(cognome, "Cognome");
  name_faults(nome, "Nome");
  return faults;
}

std::string SenderFaultText(const std::vector<std::string>& faults, std::string_view remedy) {
  std::string text = "I dati del Comune e del Referente non sono completi:";
  for (const auto& fault : faults) text += "\r\n" + fault;
  text += "\r\n";
  text += remedy;
  return text;
}

}  // namespace nerovale::validation
