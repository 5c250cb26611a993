#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nerovale::validation {

// What is missing from the sender of a notice, one line each ("- Comune non configurato"), in the
// order of config.ini; empty when the notice can carry it. The municipality must be one of the
// table, so its name (looked up by the caller from the code) must be known; both names of the
// contact person must be present (not blanks alone), 72 characters at most, of the characters that
// the user data dialog lets in. A value quoted is cut at 60 characters.
std::vector<std::string> SenderFaults(std::string_view codice_comune, std::string_view nome_comune,
                                      std::string_view cognome, std::string_view nome);

// The message that lists the faults and says how to mend them (remedy: the last line).
std::string SenderFaultText(const std::vector<std::string>& faults, std::string_view remedy);

}  // namespace nerovale::validation
