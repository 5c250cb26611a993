// CalcolaCF and ConfrontaCF with the shipped tables loaded.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "codicefiscale/codice_fiscale.h"

namespace {

using nerovale::codicefiscale::Person;

struct Subject {
  std::string cognome, nome, sesso, comune, stato, codice;
  nerovale::dates::Date nascita;
};

std::vector<Subject> Subjects(nerovale::reference::ReferenceSnapshot& places) {
  const char* surnames[] = {"ROSSI", "D'AMICO", "DE SANCTIS", "FO", "BIANCHI", "ESPOSITO", "NICOLÒ", "MÜLLER"};
  const char* names[] = {"MARIO", "GIANFRANCO", "LUCA", "ÈVA", "ANNA MARIA", "ZOE"};
  nerovale::reference::ReferenceTables tables(std::filesystem::path(NEROVALE_SOURCE_DIR));
  const auto comuni = tables.ComuniNames();
  std::vector<Subject> subjects;
  for (int i = 0; i < 1000; ++i) {
    Subject s{surnames[i % 8], names[i % 6], i % 2 ? "F" : "M", comuni[static_cast<std::size_t>(i * 13) % comuni.size()],
              i % 10 ? "ITALIA" : "FRANCIA", "", *nerovale::dates::MakeDate(1 + i % 28, 1 + i % 12, 1920 + i % 90)};
    s.codice = nerovale::codicefiscale::CalcolaCF({s.cognome, s.nome, s.sesso, s.nascita, s.comune, s.stato}, places);
    subjects.push_back(std::move(s));
  }
  return subjects;
}

// Runs one call per iteration over a thousand subjects, with the shipped tables loaded.
template <typename Call>
void OverSubjects(benchmark::State& state, Call call) {
  nerovale::reference::ReferenceTables tables(std::filesystem::path(NEROVALE_SOURCE_DIR));
  auto places = tables.Snapshot();
  const auto subjects = Subjects(places);
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& s = subjects[i++ % subjects.size()];
    benchmark::DoNotOptimize(call(Person{s.cognome, s.nome, s.sesso, s.nascita, s.comune, s.stato}, s.codice, places));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void CalcolaCF(benchmark::State& state) {
  OverSubjects(state, [](const Person& p, const std::string&, const auto& places) {
    return nerovale::codicefiscale::CalcolaCF(p, places);
  });
}
BENCHMARK(CalcolaCF);

void ConfrontaCF(benchmark::State& state) {
  OverSubjects(state, [](const Person& p, const std::string& codice, const auto& places) {
    return nerovale::codicefiscale::ConfrontaCF(p, codice, places);
  });
}
BENCHMARK(ConfrontaCF);

}  // namespace

BENCHMARK_MAIN();
