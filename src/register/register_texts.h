#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/subject_table.h"
#include "register/register.h"

// What the window and nerovale-batch say about the register, in Italian.
namespace nerovale::registry {

// A notice saved but not recorded: the notice stays; the reason names the register and the cause.
std::string NotRegisteredText(std::string_view reason);

// The register could not be read before a notice, so the notice was not guarded.
std::string NotGuardedText(std::string_view reason);

// "Il numero N è già stato usato per la comunicazione del gg/mm/aaaa (file F)." and, for the window,
// the same followed by " Continuare?".
std::string NumberUsedText(std::string_view numero, const NoticeEntry& earlier);
std::string NumberUsedQuestion(std::string_view numero, const NoticeEntry& earlier);

// "riga N: COGNOME NOME, comunicazione N del gg/mm/aaaa", one subject of the question below.
std::string RepeatedSubjectLine(const Repeat& repeat, const SubjectTable& table);
// "I seguenti soggetti sono già stati comunicati:" with one line a subject (the first max_lines of
// them, then how many more), ending "Continuare comunque?".
std::string RepeatedSubjectsQuestion(const std::vector<Repeat>& repeats, const SubjectTable& table,
                                     std::size_t max_lines = 20);
// The batch's reason for one row: "già comunicato con la comunicazione N del gg/mm/aaaa".
std::string RepeatedReason(const Repeat& repeat);
// The painted row's tool tip: "Già comunicato con la comunicazione N del gg/mm/aaaa".
std::string RepeatedTip(const Repeat& repeat);

}  // namespace nerovale::registry
