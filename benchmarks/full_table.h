#pragma once

// A full table of valid subjects born in Italy, each with a 16-character codice fiscale, for the
// benchmarks of the table-wide check and of the output step.
#include <string>

#include "codicefiscale/codice_fiscale.h"
#include "core/subject_table.h"

namespace nerovale::benchmarks {

inline SubjectTable FullTable(reference::ReferenceTables& tables, int count = SubjectTable::kMaxSubjects) {
  const auto comuni = tables.ComuniNames();
  const auto places = tables.Snapshot();
  const char* surnames[] = {"ROSSI", "D'AMICO", "DE SANCTIS", "BIANCHI", "ESPOSITO", "NICOLÒ"};
  const char* names[] = {"MARIO", "GIANFRANCO", "LUCA", "ÈVA", "ANNA MARIA", "ZOE"};
  SubjectTable table;
  for (int i = 0; table.Count() < count; ++i) {
    const std::string& comune = comuni[static_cast<std::size_t>(i * 7) % comuni.size()];
    const std::string code = places.CodComune(comune);
    if (code.empty()) continue;
    const auto birth = *dates::MakeDate(1 + i % 28, 1 + i % 12, 1920 + i % 80);
    SubjectRow r;
    r[kCognome] = surnames[i % 6], r[kNome] = names[i % 6], r[kSesso] = i % 2 ? "F" : "M";
    r[kDataNascita] = dates::FormatDdMmYyyy(birth);
    r[kComuneNascita] = comune, r[kCodComuneNascita] = code, r[kNazioneNascita] = "ITALIA", r[kCodNazioneNascita] = "Z000";
    r[kCodiceFiscale] = codicefiscale::CalcolaCF({r[kCognome], r[kNome], r[kSesso], birth, comune, "ITALIA"}, places);
    r[kDataDecesso] = "10/01/2024", r[kNazioneDecesso] = "ITALIA", r[kCodNazioneDecesso] = "Z000";
    r[kComuneDecesso] = "ROMA", r[kCodComuneDecesso] = "H501", r[kAttoMorte] = "12", r[kComuneAtto] = "ROMA";
    r[kCodComuneAtto] = "H501", r[kAnnoProtocollo] = "2024", r[kNumeroProtocollo] = std::to_string(i);
    table.Add(std::move(r));
  }
  return table;
}

}  // namespace nerovale::benchmarks
