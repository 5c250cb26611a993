#include "register/register_texts.h"

#include "core/text.h"

namespace nerovale::registry {

std::string NotRegisteredText(std::string_view reason) {
  return "La comunicazione è stata salvata ma non è stata registrata nel registro delle comunicazioni.\n" +
         std::string(reason);
}

std::string NotGuardedText(std::string_view reason) {
  return "Il registro delle comunicazioni non si può leggere: non è possibile verificare se il numero o i "
         "soggetti sono già stati comunicati.\n" +
         std::string(reason);
}

std::string NumberUsedText(std::string_view numero, const NoticeEntry& earlier) {
  return "Il numero " + std::string(numero) + " è già stato usato per la comunicazione del " + earlier.data +
         " (file " + earlier.File().string() + ").";
}

std::string NumberUsedQuestion(std::string_view numero, const NoticeEntry& earlier) {
  return NumberUsedText(numero, earlier) + " Continuare?";
}

std::string RepeatedSubjectLine(const Repeat& repeat, const SubjectTable& table) {
  const SubjectRow& row = table.Row(repeat.row);
  return "riga " + std::to_string(repeat.row) + ": " + text::Excerpt(row[kCognome] + " " + row[kNome]) +
         ", comunicazione " + repeat.earlier.numero + " del " + repeat.earlier.data;
}

std::string RepeatedSubjectsQuestion(const std::vector<Repeat>& repeats, const SubjectTable& table,
                                     std::size_t max_lines) {
  std::string text = "I seguenti soggetti sono già stati comunicati:\n";
  for (std::size_t i = 0; i < repeats.size() && i < max_lines; ++i) text += RepeatedSubjectLine(repeats[i], table) + "\n";
  if (repeats.size() > max_lines) {
    text += "e altri " + std::to_string(repeats.size() - max_lines) + " soggetti (righe evidenziate)\n";
  }
  return text + "Continuare comunque?";
}

std::string RepeatedReason(const Repeat& repeat) {
  return "già comunicato con la comunicazione " + repeat.earlier.numero + " del " + repeat.earlier.data;
}

std::string RepeatedTip(const Repeat& repeat) {
  return "Già comunicato con la comunicazione " + repeat.earlier.numero + " del " + repeat.earlier.data;
}

}  // namespace nerovale::registry
