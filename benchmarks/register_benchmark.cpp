// The register of notices at full size: recording a notice of 32,767 subjects (one transaction, every
// subject's cells and look-up key, synced), and the guard of the next notice, the repeated-subject
// check of 32,767 subjects against a register of 1,000,000. The registers are made in a folder of the
// current directory, as the program keeps its register beside config.ini.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "register/register.h"

namespace {

namespace fs = std::filesystem;
using nerovale::SubjectRow;

const nerovale::FixedClock kClock({*nerovale::dates::MakeDate(7, 12, 2026), 9, 0, 0});
const fs::path kWork = fs::current_path() / "register_benchmark_work";

// Subject n: every third without a codice fiscale (found by names and dates), the others with one.
SubjectRow Subject(long n) {
  SubjectRow r;
  const std::string id = std::to_string(n);
  r[nerovale::kCognome] = "COGNOME" + id, r[nerovale::kNome] = "NOME", r[nerovale::kSesso] = n % 2 ? "F" : "M";
  r[nerovale::kDataNascita] = std::to_string(1 + n % 28) + "/" + std::to_string(1 + n % 12) + "/" + std::to_string(1920 + n % 80);
  r[nerovale::kComuneNascita] = "ROMA", r[nerovale::kCodComuneNascita] = "H501";
  r[nerovale::kNazioneNascita] = "ITALIA", r[nerovale::kCodNazioneNascita] = "Z000";
  if (n % 3 != 0) r[nerovale::kCodiceFiscale] = "CF" + std::string(14 - std::min<std::size_t>(14, id.size()), '0') + id;
  r[nerovale::kDataDecesso] = "10/01/2024", r[nerovale::kNazioneDecesso] = "ITALIA", r[nerovale::kCodNazioneDecesso] = "Z000";
  r[nerovale::kComuneDecesso] = "ROMA", r[nerovale::kCodComuneDecesso] = "H501", r[nerovale::kAttoMorte] = "12";
  r[nerovale::kComuneAtto] = "ROMA", r[nerovale::kCodComuneAtto] = "H501", r[nerovale::kAnnoProtocollo] = "2024";
  r[nerovale::kNumeroProtocollo] = id;
  return r;
}

nerovale::registry::NoticeRecord Notice(int numero, long first, int count) {
  nerovale::registry::NoticeRecord notice{std::to_string(numero), "30/11/2026", "H501", "BIANCHI", "LUCIA",
                                          kClock.Now(), (kWork / "out").string(), "n.xml", std::string(64, 'a'), 20'000'000,
                                          {}};
  for (int i = 0; i < count; ++i) {
    notice.subjects.push_back(Subject(first + i));
    notice.subjects.back()[nerovale::kNumero] = std::to_string(i + 1);
  }
  return notice;
}

void BM_RecordFullNotice(benchmark::State& state) {
  const auto notice = Notice(1, 0, nerovale::SubjectTable::kMaxSubjects);
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path file = kWork / ("record_" + std::to_string(round++) + ".sqlite");
    fs::create_directories(kWork);
    const auto reg = nerovale::registry::FileRegister(file, kClock);
    state.ResumeTiming();
    const auto recorded = reg->Record(notice);
    if (!recorded.status) state.SkipWithError(recorded.status.message().c_str());
    state.PauseTiming();
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
    state.ResumeTiming();
  }
  state.counters["subjects"] = static_cast<double>(notice.subjects.size());
}
BENCHMARK(BM_RecordFullNotice)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000,000 registered subjects in 31 notices; the new notice repeats one subject in 16, the others
// are new (each looked up by its codice fiscale, or by its names and dates when it has none).
void BM_RepeatedSubjectsAgainstAMillion(benchmark::State& state) {
  constexpr long kRegistered = 1'000'000;
  const fs::path file = kWork / "million.sqlite";
  fs::create_directories(kWork);
  const auto reg = nerovale::registry::FileRegister(file, kClock);
  if (reg->Notices().value.size() != 31) {
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
    for (long first = 0, n = 1; first < kRegistered; first += nerovale::SubjectTable::kMaxSubjects, ++n) {
      const int count = static_cast<int>(std::min<long>(nerovale::SubjectTable::kMaxSubjects, kRegistered - first));
      if (!reg->Record(Notice(static_cast<int>(n), first, count)).status) state.SkipWithError("register not made");
    }
  }
  std::vector<SubjectRow> next;
  for (long i = 0; i < nerovale::SubjectTable::kMaxSubjects; ++i) next.push_back(Subject(i % 16 == 0 ? i * 30 : kRegistered + i));
  std::size_t found = 0;
  for (auto _ : state) {
    const auto repeats = reg->Repeats(next);
    if (!repeats.status) state.SkipWithError(repeats.status.message().c_str());
    found = repeats.value.size();
  }
  state.counters["repeated"] = static_cast<double>(found);
}
BENCHMARK(BM_RepeatedSubjectsAgainstAMillion)->Unit(benchmark::kMillisecond)->UseRealTime();

// The anchors, measured in the same run: SQLite itself with nothing of the program around it. The
// same 32,767 subjects' 22 cells inserted by one prepared statement in one transaction into a bare
// table of a new WAL file; and every registered subject's codice fiscale read once from the register
// of a million (the least a check against all of them could read).
void BM_AnchorBareInsert(benchmark::State& state) {
  const auto notice = Notice(1, 0, nerovale::SubjectTable::kMaxSubjects);
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::create_directories(kWork);
    const fs::path file = kWork / ("bare_" + std::to_string(round++) + ".sqlite");
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    std::string columns = "c1", marks = "?";
    for (int c = 2; c < static_cast<int>(nerovale::kColumnCount); ++c) columns += ",c" + std::to_string(c), marks += ",?";
    sqlite3_exec(db, ("CREATE TABLE s(" + columns + ")").c_str(), nullptr, nullptr, nullptr);
    state.ResumeTiming();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, ("INSERT INTO s VALUES(" + marks + ")").c_str(), -1, &insert, nullptr);
    for (const auto& row : notice.subjects) {
      for (int c = 1; c < static_cast<int>(nerovale::kColumnCount); ++c) {
        const std::string& cell = row.cells[static_cast<std::size_t>(c)];
        sqlite3_bind_text(insert, c, cell.data(), static_cast<int>(cell.size()), SQLITE_STATIC);
      }
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    state.PauseTiming();
    sqlite3_close(db);
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AnchorBareInsert)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AnchorReadAMillionCodes(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2((kWork / "million.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  long rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT codice_fiscale FROM soggetti", -1, &select, nullptr);
    rows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) rows += sqlite3_column_bytes(select, 0) >= 0;
    sqlite3_finalize(select);
  }
  sqlite3_close(db);
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_AnchorReadAMillionCodes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The million-subject register is kept for the next run unless asked otherwise.
  if (std::getenv("NEROVALE_KEEP_REGISTER") == nullptr) fs::remove_all(kWork);
  return 0;
}
