#pragma once

// A full table of valid subjects born in Italy, each with a 16-character codice fiscale, for the
// benchmarks of the table-wide check and of the output step, and a working directory with the same
// subjects as a CSV export.
#include <filesystem>
#include <fstream>
#include <string>

#include "codicefiscale/codice_fiscale.h"
#include "core/subject_table.h"
#include "core/text.h"

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
    if (!table.Add(std::move(r))) break;  // full: the benchmark asks for no more than the table holds
  }
  return table;
}

// Writes the subjects as the registry software exports them: Windows-1252, the 17 fields of a line
// in the order the import reads them, ";" between them, CR LF at the end.
inline void WriteCsv(const SubjectTable& table, const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary);
  for (int r = 1; r <= table.Count(); ++r) {
    const SubjectRow& row = table.Row(r);
    for (Column c : {kCognome, kNome, kSesso, kDataNascita, kComuneNascita, kComuneEsteroNascita, kNazioneNascita,
                     kCodiceFiscale, kNomePadre, kDataDecesso, kNazioneDecesso, kComuneDecesso, kComuneEsteroDecesso,
                     kAttoMorte, kComuneAtto, kAnnoProtocollo}) {
      out << text::Cp1252FromUtf8(row[c]) << ';';
    }
    out << text::Cp1252FromUtf8(row[kNumeroProtocollo]) << "\r\n";
  }
}

// A working directory like the application's, made anew at root: config.ini with a sender, ref/ with
// the shipped tables and schema, an empty out/ and export.csv with count subjects.
inline void MakeWorkspace(const std::filesystem::path& source, const std::filesystem::path& root, int count) {
  namespace fs = std::filesystem;
  fs::remove_all(root);
  fs::create_directories(root / "ref");
  fs::create_directories(root / "out");
  for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "validate.xsd"}) {
    fs::copy_file(source / "ref" / file, root / "ref" / file);
  }
  std::ofstream(root / "config.ini", std::ios::binary) << "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n";
  reference::ReferenceTables tables(source);
  WriteCsv(FullTable(tables, count), root / "export.csv");
}

}  // namespace nerovale::benchmarks
