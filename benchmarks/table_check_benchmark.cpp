// The table-wide check over a full table: 32,767 valid rows, each with a 16-character codice fiscale.
#include <benchmark/benchmark.h>

#include "codicefiscale/codice_fiscale.h"
#include "validation/table_check.h"

namespace {

void ValidateFullTable(benchmark::State& state) {
  nerovale::reference::ReferenceTables tables(std::filesystem::path(NEROVALE_SOURCE_DIR));
  const auto comuni = tables.ComuniNames();
  const char* surnames[] = {"ROSSI", "D'AMICO", "DE SANCTIS", "BIANCHI", "ESPOSITO", "NICOLÒ"};
  const char* names[] = {"MARIO", "GIANFRANCO", "LUCA", "ÈVA", "ANNA MARIA", "ZOE"};
  nerovale::SubjectTable table;
  auto places = tables.Snapshot();
  for (int i = 0; table.Count() < nerovale::SubjectTable::kMaxSubjects; ++i) {
    using namespace nerovale;
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
  const auto today = *nerovale::dates::MakeDate(6, 12, 2026);
  for (auto _ : state) {
    const auto snapshot = tables.Snapshot();
    const auto failed = nerovale::validation::ValidateSubjectTable(table, today, snapshot);
    if (!failed.empty()) state.SkipWithError("a row failed");
  }
  state.SetItemsProcessed(state.iterations() * table.Count());
}
BENCHMARK(ValidateFullTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
