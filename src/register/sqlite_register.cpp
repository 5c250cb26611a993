// The register in a SQLite file, through SQLite's C API. Each operation opens its own connection and
// closes it at the end, so that nothing is held between notices: another program (a batch run, the
// window of another folder pointed here) finds the file free, and a file moved or replaced between
// two operations is simply opened anew.
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <utility>

#include "core/dates.h"
#include "core/system_files.h"
#include "core/text.h"
#include "register/register.h"

namespace nerovale::registry {
namespace {

namespace fs = std::filesystem;

// The 22 cells of a subject, in table order, as the columns of the table "soggetti" name them.
constexpr std::array<const char*, 22> kCellColumns = {
    "cognome",          "nome",           "sesso",           "data_nascita",         "comune_nascita",
    "codice_comune_nascita", "comune_estero_nascita", "nazione_nascita", "codice_nazione_nascita",
    "codice_fiscale",   "nome_padre",     "data_decesso",    "nazione_decesso",      "codice_nazione_decesso",
    "comune_decesso",   "codice_comune_decesso", "comune_estero_decesso", "atto_morte", "comune_atto",
    "codice_comune_atto", "anno_protocollo", "numero_protocollo"};

// The schema, one step a version: step i brings a register of version i to version i + 1. A register
// is never changed but forward, and each step runs in the transaction that sets the new version.
std::string SchemaStep(int from) {
  if (from == 0) {
    std::string cells;
    for (const char* column : kCellColumns) cells += std::string("  ") + column + " TEXT NOT NULL,\n";
    return "CREATE TABLE comunicazioni (\n"
           "  id INTEGER PRIMARY KEY,\n"
           "  numero TEXT NOT NULL,\n"             // as in the file name
           "  data TEXT NOT NULL,\n"               // dd/mm/yyyy
           "  anno INTEGER NOT NULL,\n"            // of the notice date
           "  codice_comune TEXT NOT NULL,\n"
           "  cognome_referente TEXT NOT NULL,\n"
           "  nome_referente TEXT NOT NULL,\n"
           "  scritta TEXT NOT NULL,\n"            // yyyy-mm-dd hh:mm:ss, local time
           "  cartella TEXT NOT NULL,\n"
           "  file TEXT NOT NULL,\n"
           "  sha256 TEXT NOT NULL,\n"
           "  dimensione INTEGER NOT NULL,\n"
           "  soggetti INTEGER NOT NULL\n"
           ");\n"
           "CREATE TABLE soggetti (\n"
           "  comunicazione INTEGER NOT NULL REFERENCES comunicazioni(id),\n"
           "  riga INTEGER NOT NULL,\n" +
           cells +
           "  PRIMARY KEY (comunicazione, riga)\n"
           ");\n";
  }
  // Version 2: what the guard of the next notice looks up, and the searches of the "Registro" window.
  return "ALTER TABLE soggetti ADD COLUMN chiave TEXT NOT NULL DEFAULT '';\n"
         "UPDATE soggetti SET chiave = nerovale_chiave(cognome, nome, data_nascita, data_decesso);\n"
         "CREATE INDEX soggetti_codice_fiscale ON soggetti(codice_fiscale);\n"
         "CREATE INDEX soggetti_chiave ON soggetti(chiave);\n"
         "CREATE INDEX comunicazioni_mittente ON comunicazioni(codice_comune, anno);\n";
}

// A failure of SQLite (or of the register's own rules), caught at the edge of each operation.
struct SqlError {
  int code;             // SQLite's extended result code, or one of the two below
  int system_error;     // the errno behind an I/O failure, or 0
  std::string detail;   // SQLite's own words, for an unusual failure
};
constexpr int kNewerSchema = -1;  // written by a newer program: never written, never moved aside

bool Damaged(const SqlError& error) {
  const int primary = error.code & 0xFF;
  return error.code > 0 && (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB);
}

std::string Reason(const SqlError& error) {
  if (error.code == kNewerSchema) return error.detail;
  switch (error.code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "è occupato da un altro programma da troppo tempo";
    case SQLITE_READONLY: return "è in sola lettura";
    case SQLITE_FULL: return "il disco è pieno";
    case SQLITE_PERM:
    case SQLITE_AUTH: return "permesso negato";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "il file è danneggiato o non è un registro";
    case SQLITE_NOMEM: return "memoria insufficiente";
    case SQLITE_CANTOPEN:
      return error.system_error != 0 ? files::ItalianReason(error.system_error) : "il file non si può aprire";
    case SQLITE_IOERR:
      return error.system_error != 0 ? files::ItalianReason(error.system_error) : files::ItalianReason(EIO);
    default: return "errore del database: " + text::Excerpt(error.detail);
  }
}

std::string MomentText(const Moment& m) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(m.date.year()),
                static_cast<unsigned>(m.date.month()), static_cast<unsigned>(m.date.day()), m.hour % 100,
                m.minute % 100, m.second % 100);
  return buffer;
}

Moment MomentFrom(std::string_view text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  Moment moment{dates::ZeroDate()};
  if (std::sscanf(std::string(text).c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6) {
    if (const auto date = dates::MakeDate(d, mo, y)) moment = {*date, h, mi, s};
  }
  return moment;
}

int YearOf(std::string_view data) {
  const auto date = dates::ParseDayMonthYear(data);
  return date ? static_cast<int>(date->year()) : 0;
}

// One prepared statement.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (const int rc = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); rc != SQLITE_OK) Throw(rc);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(statement_); }

  Statement& Bind(int index, std::string_view value) {
    Check(sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& Bind(int index, long long value) {
    Check(sqlite3_bind_int64(statement_, index, value));
    return *this;
  }
  // True while a row comes.
  bool Step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Throw(rc);
  }
  void Run() {
    while (Step()) {
    }
  }
  void Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  std::string Text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes == nullptr ? std::string() : std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
  }
  long long Integer(int column) const { return sqlite3_column_int64(statement_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) Throw(rc);
  }
  [[noreturn]] void Throw(int rc) const {
    throw SqlError{sqlite3_extended_errcode(db_) != SQLITE_OK ? sqlite3_extended_errcode(db_) : rc,
                   sqlite3_system_errno(db_), sqlite3_errmsg(db_)};
  }
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

void KeyFunction(sqlite3_context* context, int count, sqlite3_value** values) {
  std::array<std::string_view, 4> parts;
  for (int i = 0; i < count && i < 4; ++i) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
    if (bytes != nullptr) parts[static_cast<std::size_t>(i)] = {bytes, static_cast<std::size_t>(sqlite3_value_bytes(values[i]))};
  }
  const std::string key = PersonKey(parts[0], parts[1], parts[2], parts[3]);
  sqlite3_result_text(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

// One connection to the register file, ready for work: WAL, a busy timeout, the schema of this
// program's version.
class Connection {
 public:
  explicit Connection(const fs::path& file) {
    const int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
      const SqlError error{rc, db_ != nullptr ? sqlite3_system_errno(db_) : 0, db_ != nullptr ? sqlite3_errmsg(db_) : ""};
      sqlite3_close_v2(db_);
      db_ = nullptr;
      throw error;
    }
    try {
      Prepare();
    } catch (const SqlError&) {
      sqlite3_close_v2(db_);  // the destructor of an object never made does not run
      throw;
    }
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    if (in_transaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
  }

  sqlite3* db() const noexcept { return db_; }

 private:
  void Prepare() {
    sqlite3_extended_result_codes(db_, 1);
    // The window and a batch run may write at the same moment: one waits for the other.
    sqlite3_busy_timeout(db_, 10'000);
    sqlite3_create_function(db_, "nerovale_chiave", 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &KeyFunction,
                            nullptr, nullptr);
    if (Statement wal(db_, "PRAGMA journal_mode = WAL"); !wal.Step() || wal.Text(0) != "wal") {
      throw SqlError{SQLITE_CANTOPEN, 0, "WAL"};
    }
    Execute("PRAGMA synchronous = FULL");  // a recorded notice survives a power cut
    Execute("PRAGMA foreign_keys = ON");
    BringForward();
  }

 public:

  void Execute(const char* sql) {
    char* message = nullptr;
    if (const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message); rc != SQLITE_OK) {
      SqlError error{sqlite3_extended_errcode(db_), sqlite3_system_errno(db_), message != nullptr ? message : ""};
      sqlite3_free(message);
      throw error;
    }
  }
  // BEGIN IMMEDIATE for a writer (the lock is taken at once, waiting up to the busy timeout), BEGIN
  // for a reader (one snapshot for all its statements).
  void Begin(bool write) {
    Execute(write ? "BEGIN IMMEDIATE" : "BEGIN");
    in_transaction_ = true;
  }
  void Commit() {
    Execute("COMMIT");
    in_transaction_ = false;
  }

 private:
  int Version() {
    Statement version(db_, "PRAGMA user_version");
    return version.Step() ? static_cast<int>(version.Integer(0)) : 0;
  }
  void BringForward() {
    if (const int version = Version(); version == kSchemaVersion) {
      return;
    } else if (version > kSchemaVersion) {
      throw SqlError{kNewerSchema, 0, NewerText(version)};
    }
    Begin(true);
    const int version = Version();  // another program may have brought it forward meanwhile
    if (version > kSchemaVersion) throw SqlError{kNewerSchema, 0, NewerText(version)};
    for (int step = version; step < kSchemaVersion; ++step) Execute(SchemaStep(step).c_str());
    Execute(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    Commit();
  }
  static std::string NewerText(int version) {
    return "è stato scritto da una versione più recente del programma (versione " + std::to_string(version) +
           " del registro; questo programma conosce fino alla versione " + std::to_string(kSchemaVersion) +
           "): non viene modificato";
  }

  sqlite3* db_ = nullptr;
  bool in_transaction_ = false;
};

constexpr const char* kNoticeColumns =
    "c.id, c.numero, c.data, c.codice_comune, c.cognome_referente, c.nome_referente, c.scritta, c.cartella, c.file, "
    "c.sha256, c.dimensione, c.soggetti";
constexpr int kNoticeColumnCount = 12;

NoticeEntry EntryAt(const Statement& row, int first) {
  NoticeEntry entry;
  entry.id = row.Integer(first);
  entry.numero = row.Text(first + 1);
  entry.data = row.Text(first + 2);
  entry.codice_comune = row.Text(first + 3);
  entry.cognome_referente = row.Text(first + 4);
  entry.nome_referente = row.Text(first + 5);
  entry.written = MomentFrom(row.Text(first + 6));
  entry.folder = row.Text(first + 7);
  entry.file_name = row.Text(first + 8);
  entry.sha256 = row.Text(first + 9);
  entry.size = static_cast<std::uint64_t>(row.Integer(first + 10));
  entry.subjects = static_cast<int>(row.Integer(first + 11));
  return entry;
}

std::string CellColumnList(const char* prefix) {
  std::string list;
  for (const char* column : kCellColumns) list += std::string(list.empty() ? "" : ", ") + prefix + column;
  return list;
}

SubjectRow SubjectAt(const Statement& row, int first, int number) {
  SubjectRow subject;
  subject.cells[kNumero] = std::to_string(number);
  for (std::size_t c = 0; c < kCellColumns.size(); ++c) subject.cells[c + 1] = row.Text(first + static_cast<int>(c));
  return subject;
}

class SqliteRegister final : public Register {
 public:
  SqliteRegister(fs::path file, const Clock& clock) : file_(std::move(file)), clock_(clock) {}

  std::string Name() const override { return file_.string(); }

  Answer<std::int64_t> Record(const NoticeRecord& notice) override {
    return Run<std::int64_t>(true, [&notice](Connection& c) {
      c.Begin(true);
      Statement insert(c.db(),
                       "INSERT INTO comunicazioni (numero, data, anno, codice_comune, cognome_referente, "
                       "nome_referente, scritta, cartella, file, sha256, dimensione, soggetti) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
      insert.Bind(1, notice.numero).Bind(2, notice.data).Bind(3, static_cast<long long>(YearOf(notice.data)));
      insert.Bind(4, notice.codice_comune).Bind(5, notice.cognome_referente).Bind(6, notice.nome_referente);
      insert.Bind(7, MomentText(notice.written)).Bind(8, notice.folder).Bind(9, notice.file_name);
      insert.Bind(10, notice.sha256).Bind(11, static_cast<long long>(notice.size));
      insert.Bind(12, static_cast<long long>(notice.subjects.size()));
      insert.Run();
      const std::int64_t id = sqlite3_last_insert_rowid(c.db());
      std::string sql = "INSERT INTO soggetti (comunicazione, riga, " + CellColumnList("") + ", chiave) VALUES (?1, ?2";
      for (std::size_t i = 0; i < kCellColumns.size() + 1; ++i) sql += ", ?" + std::to_string(i + 3);
      sql += ")";
      Statement subject(c.db(), sql.c_str());
      for (std::size_t r = 0; r < notice.subjects.size(); ++r) {
        const SubjectRow& row = notice.subjects[r];
        subject.Bind(1, id).Bind(2, static_cast<long long>(r + 1));
        for (std::size_t cell = 1; cell < kColumnCount; ++cell) subject.Bind(static_cast<int>(cell + 2), row.cells[cell]);
        subject.Bind(static_cast<int>(kColumnCount + 2), PersonKey(row));
        subject.Run();
        subject.Reset();
      }
      c.Commit();
      return id;
    });
  }

  Answer<std::optional<long long>> HighestNumber(std::string_view codice_comune, int year) override {
    return Run<std::optional<long long>>(false, [&](Connection& c) -> std::optional<long long> {
      Statement highest(c.db(),
                        "SELECT MAX(CAST(numero AS INTEGER)) FROM comunicazioni WHERE codice_comune = ?1 AND anno = ?2");
      highest.Bind(1, codice_comune).Bind(2, static_cast<long long>(year));
      if (!highest.Step() || highest.IsNull(0)) return std::nullopt;
      return highest.Integer(0);
    });
  }

  Answer<std::optional<NoticeEntry>> Numbered(std::string_view codice_comune, std::string_view numero,
                                              int year) override {
    return Run<std::optional<NoticeEntry>>(false, [&](Connection& c) -> std::optional<NoticeEntry> {
      Statement found(c.db(), (std::string("SELECT ") + kNoticeColumns +
                               " FROM comunicazioni c WHERE c.codice_comune = ?1 AND c.anno = ?2 AND "
                               "CAST(c.numero AS INTEGER) = ?3 ORDER BY c.id DESC LIMIT 1")
                                  .c_str());
      found.Bind(1, codice_comune).Bind(2, static_cast<long long>(year)).Bind(3, dates::LeadingNumber(numero));
      if (!found.Step()) return std::nullopt;
      return EntryAt(found, 0);
    });
  }

  Answer<std::vector<Repeat>> Repeats(std::span<const SubjectRow> subjects) override {
    return Run<std::vector<Repeat>>(false, [&subjects](Connection& c) {
      std::vector<Repeat> repeats;
      c.Begin(false);
      const std::string head = std::string("SELECT ") + kNoticeColumns +
                               " FROM soggetti s JOIN comunicazioni c ON c.id = s.comunicazione WHERE ";
      Statement by_code(c.db(), (head + "s.codice_fiscale = ?1 ORDER BY c.id DESC LIMIT 1").c_str());
      Statement by_key(c.db(), (head + "s.chiave = ?1 ORDER BY c.id DESC LIMIT 1").c_str());
      Statement by_key_without_code(
          c.db(), (head + "s.chiave = ?1 AND s.codice_fiscale = '' ORDER BY c.id DESC LIMIT 1").c_str());
      const auto first = [](Statement& query) -> std::optional<NoticeEntry> {
        std::optional<NoticeEntry> entry;
        if (query.Step()) entry = EntryAt(query, 0);
        query.Reset();
        return entry;
      };
      for (std::size_t i = 0; i < subjects.size(); ++i) {
        const SubjectRow& row = subjects[i];
        const std::string key = PersonKey(row);
        std::optional<NoticeEntry> earlier;
        if (row[kCodiceFiscale].empty()) {
          earlier = first(by_key.Bind(1, key));
        } else {
          earlier = first(by_code.Bind(1, row[kCodiceFiscale]));
          if (!earlier) earlier = first(by_key_without_code.Bind(1, key));
        }
        if (earlier) repeats.push_back({static_cast<int>(i + 1), std::move(*earlier)});
      }
      c.Commit();
      return repeats;
    });
  }

  Answer<std::vector<NoticeEntry>> Notices() override {
    return Run<std::vector<NoticeEntry>>(false, [](Connection& c) {
      std::vector<NoticeEntry> notices;
      Statement all(c.db(), (std::string("SELECT ") + kNoticeColumns + " FROM comunicazioni c ORDER BY c.scritta DESC, c.id DESC").c_str());
      while (all.Step()) notices.push_back(EntryAt(all, 0));
      return notices;
    });
  }

  Answer<std::vector<SubjectHit>> Find(std::string_view search, int limit) override {
    return Run<std::vector<SubjectHit>>(false, [search, limit](Connection& c) {
      std::vector<SubjectHit> hits;
      std::string pattern;
      for (char ch : text::ToUpper(text::TrimBlanks(search))) {
        if (ch == '%' || ch == '_' || ch == '\\') pattern += '\\';
        pattern += ch;
      }
      if (pattern.empty()) return hits;
      pattern += '%';
      Statement found(c.db(), (std::string("SELECT ") + kNoticeColumns + ", s.riga, " + CellColumnList("s.") +
                               " FROM soggetti s JOIN comunicazioni c ON c.id = s.comunicazione WHERE "
                               "s.cognome LIKE ?1 ESCAPE '\\' OR s.nome LIKE ?1 ESCAPE '\\' OR "
                               "s.codice_fiscale LIKE ?1 ESCAPE '\\' ORDER BY c.id DESC, s.riga LIMIT ?2")
                                  .c_str());
      found.Bind(1, pattern).Bind(2, static_cast<long long>(limit));
      while (found.Step()) {
        hits.push_back({SubjectAt(found, kNoticeColumnCount + 1, static_cast<int>(found.Integer(kNoticeColumnCount))),
                        EntryAt(found, 0)});
      }
      return hits;
    });
  }

  Answer<std::vector<SubjectRow>> Subjects(std::int64_t notice_id) override {
    return Run<std::vector<SubjectRow>>(false, [notice_id](Connection& c) {
      std::vector<SubjectRow> rows;
      Statement all(c.db(), ("SELECT riga, " + CellColumnList("") + " FROM soggetti WHERE comunicazione = ?1 ORDER BY riga").c_str());
      all.Bind(1, static_cast<long long>(notice_id));
      while (all.Step()) rows.push_back(SubjectAt(all, 1, static_cast<int>(all.Integer(0))));
      return rows;
    });
  }

 private:
  // Runs one operation on a fresh connection. A damaged register is moved aside and the operation
  // runs once more on a new one; a reader of a register that is not there finds nothing, and makes
  // no file.
  template <typename T, typename Work>
  Answer<T> Run(bool writes, Work work) {
    Answer<T> answer;
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (!writes && !files::AlreadyThere(file_)) return answer;
      try {
        Connection connection(file_);
        answer.value = work(connection);
        return answer;
      } catch (const SqlError& error) {
        if (Damaged(error) && attempt == 0) {
          std::string note;
          if (const Status moved = MoveAside(Reason(error), note); !moved) {
            answer.status = moved;
            return answer;
          }
          answer.note = note;
          continue;
        }
        answer.status = Status::Failure(Failure(Reason(error)));
        return answer;
      }
    }
    return answer;
  }

  std::string Failure(const std::string& reason) const {
    return "Impossibile usare il registro delle comunicazioni " + file_.string() + ": " + reason;
  }

  // The damaged file goes to a dated name beside it, never over another file, with its write-ahead
  // log (which must not meet the new register); the shared-memory index is only a cache and goes.
  Status MoveAside(const std::string& reason, std::string& note) {
    const Moment now = clock_.Now();
    for (int attempt = 1; attempt < 100; ++attempt) {
      const fs::path aside = MovedAsideName(file_, now, attempt);
      fs::path aside_wal = aside;
      aside_wal += "-wal";
      if (files::AlreadyThere(aside) || files::AlreadyThere(aside_wal)) continue;
      if (const std::error_code moved = files::RenameWithoutReplacing(file_, aside)) {
        if (moved == std::errc::file_exists) continue;
        return Status::Failure(Failure(reason + "; non è stato possibile spostarlo: " + files::ItalianReason(moved)));
      }
      fs::path wal = file_, shm = file_;
      wal += "-wal";
      shm += "-shm";
      if (files::AlreadyThere(wal)) {
        if (const std::error_code moved = files::RenameWithoutReplacing(wal, aside_wal)) {
          return Status::Failure(Failure(reason + "; il registro è stato spostato in " + aside.string() +
                                         ", il suo file " + wal.filename().string() +
                                         " non si può spostare: " + files::ItalianReason(moved)));
        }
      }
      std::error_code ignored;
      fs::remove(shm, ignored);
      note = "Il registro delle comunicazioni " + file_.string() + " era danneggiato (" + reason +
             "): è stato spostato in " + aside.string() + " e ne è stato iniziato uno nuovo.";
      return Status::Ok();
    }
    return Status::Failure(Failure(reason + "; non è stato possibile spostarlo: " + files::ItalianReason(EEXIST)));
  }

  fs::path file_;
  const Clock& clock_;
};

std::string DateKey(std::string_view text) {
  text = text::TrimBlanks(text);
  if (const auto date = dates::ParseDayMonthYear(text)) return dates::FormatYyyyMmDd(*date);
  if (const auto date = dates::ParseMonthYear(text)) return dates::FormatYyyyMmDd(*date).substr(0, 6) + "00";
  if (text.size() == 4 && text::IsDigits(text)) return std::string(text) + "0000";
  return text::ToUpper(text);
}

std::string NameKey(std::string_view text) {
  return text::ToUpper(text::TrimBlanks(text::CompactBlanks(text)));
}

}  // namespace

std::unique_ptr<Register> FileRegister(std::filesystem::path file, const Clock& clock) {
  return std::make_unique<SqliteRegister>(std::move(file), clock);
}

std::filesystem::path MovedAsideName(const std::filesystem::path& file, const Moment& now, int attempt) {
  // The whole name in one formatted write: GCC 12 at -O3 warns wrongly about appending short
  // literals to a std::string (its bug 105651).
  char name[80];
  std::snprintf(name, sizeof name, attempt > 1 ? "registro_danneggiato_%04d%02u%02u_%02d%02d%02d_%d.sqlite"
                                               : "registro_danneggiato_%04d%02u%02u_%02d%02d%02d.sqlite",
                static_cast<int>(now.date.year()), static_cast<unsigned>(now.date.month()),
                static_cast<unsigned>(now.date.day()), now.hour % 100, now.minute % 100, now.second % 100, attempt);
  return file.parent_path() / name;
}

std::string PersonKey(std::string_view cognome, std::string_view nome, std::string_view data_nascita,
                      std::string_view data_decesso) {
  return NameKey(cognome) + '\x1f' + NameKey(nome) + '\x1f' + DateKey(data_nascita) + '\x1f' + DateKey(data_decesso);
}

std::string PersonKey(const SubjectRow& row) {
  return PersonKey(row[kCognome], row[kNome], row[kDataNascita], row[kDataDecesso]);
}

}  // namespace nerovale::registry
