#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/status.h"
#include "core/subject_table.h"

// The register of notices: every notice that was written and validated, by the window or by
// nerovale-batch, with its subjects, so that the next notice can be guarded against a number or a
// death sent twice. The callers know only the interface Register; the store behind it is today a
// SQLite file beside config.ini (FileRegister), and may later be a database server shared by the
// workstations of an office without the callers changing. No Qt here: the batch uses it too.
namespace nerovale::registry {

inline constexpr std::string_view kFileName = "registro.sqlite";

// A notice as it is recorded: the header, the sender, when and where it was written, the file's
// fingerprint and every subject's 22 cells in table order.
struct NoticeRecord {
  std::string numero;  // digits, as in the file name
  std::string data;    // dd/mm/yyyy
  std::string codice_comune, cognome_referente, nome_referente;
  Moment written;
  std::string folder;     // the notice's folder, absolute
  std::string file_name;  // the file's name in it
  std::string sha256;     // 64 lower-case hexadecimal digits
  std::uint64_t size = 0;
  std::vector<SubjectRow> subjects;  // column 0 is the row number
};

// A registered notice, without its subjects.
struct NoticeEntry {
  std::int64_t id = 0;
  std::string numero, data, codice_comune, cognome_referente, nome_referente;
  Moment written;
  std::string folder, file_name, sha256;
  std::uint64_t size = 0;
  int subjects = 0;
  std::filesystem::path File() const { return std::filesystem::path(folder) / file_name; }
};

// A subject of the new notice that an earlier notice carried: its row, and that notice (the latest
// one when several did).
struct Repeat {
  int row = 0;
  NoticeEntry earlier;
};

// A registered subject found by a search, and the notice that carried it.
struct SubjectHit {
  SubjectRow subject;
  NoticeEntry notice;
};

// The answer of an operation on the register: its value, or a failure that names the register and
// why; and, beside either, the note of a damaged register that was moved aside on the way (the
// operation then worked on the new, empty register).
template <typename T>
struct Answer {
  T value{};
  Status status;
  std::string note;
};

class Register {
 public:
  virtual ~Register() = default;
  // The register as the messages name it (the file).
  virtual std::string Name() const = 0;

  // Records a notice and its subjects whole, or nothing of it.
  virtual Answer<std::int64_t> Record(const NoticeRecord& notice) = 0;
  // The highest number of a notice of this sender dated in this year; none when there is none.
  virtual Answer<std::optional<long long>> HighestNumber(std::string_view codice_comune, int year) = 0;
  // The latest notice of this sender dated in this year with this number (compared as a number).
  virtual Answer<std::optional<NoticeEntry>> Numbered(std::string_view codice_comune, std::string_view numero,
                                                      int year) = 0;
  // The subjects (row r at index r - 1) that a registered notice already carried: the same codice
  // fiscale where both have one, otherwise the same surname, name, birth date and death date.
  virtual Answer<std::vector<Repeat>> Repeats(std::span<const SubjectRow> subjects) = 0;
  // Every notice, newest first.
  virtual Answer<std::vector<NoticeEntry>> Notices() = 0;
  // The subjects whose surname, name or codice fiscale starts with the text (upper-cased), with
  // their notices, newest first; at most limit of them.
  virtual Answer<std::vector<SubjectHit>> Find(std::string_view text, int limit) = 0;
  // The subjects of a notice, in table order.
  virtual Answer<std::vector<SubjectRow>> Subjects(std::int64_t notice_id) = 0;
};

// The register kept in a SQLite file (WAL, a busy timeout, so that the window and a batch run can
// write at once). The file is made at the first use; a file of an older schema is brought forward;
// one of a newer schema is refused, never written; a damaged one is moved aside to a dated name
// (see MovedAsideName) and a new one begins. The clock dates that name.
std::unique_ptr<Register> FileRegister(std::filesystem::path file, const Clock& clock);

// The version of the register's schema that this program writes (PRAGMA user_version).
inline constexpr int kSchemaVersion = 2;

// "registro_danneggiato_20261206_143005.sqlite" beside the register.
std::filesystem::path MovedAsideName(const std::filesystem::path& file, const Moment& now, int attempt);

// What makes two subjects the same death: the codice fiscale (when both have one), otherwise this
// key of the surname, name, birth date and death date, the dates in one form whatever form they were
// typed in (5/3/1950 and 05/03/1950 are one date).
std::string PersonKey(std::string_view cognome, std::string_view nome, std::string_view data_nascita,
                      std::string_view data_decesso);
std::string PersonKey(const SubjectRow& row);

}  // namespace nerovale::registry
