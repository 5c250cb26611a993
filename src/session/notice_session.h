#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/data_places.h"
#include "core/status.h"
#include "core/subject_table.h"
#include "core/user_config.h"
#include "import/csv_import.h"
#include "output/notice_output.h"
#include "reference/reference_tables.h"
#include "register/register.h"
#include "signature/signing.h"
#include "summary/summary.h"
#include "validation/table_check.h"

// One notice while it is prepared, and the steps that make it: the window and nerovale-batch both
// drive this class, so that a notice is checked, written, validated and summarised the same way
// whoever asks for it. The texts around each step (messages, remedies) stay with the caller.
namespace nerovale::session {

// What the checks before a notice found: nothing, or the first step that failed with what it found.
struct CheckOutcome {
  enum class Failed { kNothing, kSender, kHeader, kRows };
  Failed failed = Failed::kNothing;
  std::vector<std::string> sender_faults;    // kSender: one line each ("- Comune non configurato")
  std::string header_warning;                // kHeader: the warning that lists the header rules
  std::vector<validation::FailedRow> rows;   // kRows: every row that failed, ascending
  bool ok() const noexcept { return failed == Failed::kNothing; }
};

// Whether a validated notice reached the register.
struct Registration {
  enum class State { kRegistered, kNoRegister, kFailed };
  State state = State::kNoRegister;
  std::string reason;  // kFailed: which register and why
  std::string note;    // a damaged register moved aside on the way ("" for none)
};

// A notice written and validated in this session.
struct WrittenNotice {
  std::filesystem::path file;
  Moment written;
  std::uint64_t revision = 0;  // of the table it was written from
  CommunicationHeader header;
  output::Sender sender;
  Registration registration;
  std::string sha256;              // of the file as it was validated
  std::filesystem::path signed_file;  // FILE.xml.p7m once signed
  std::string signer;                 // the holder of the certificate that signed it
};

// A registered notice's file as it is on the disk now: there and still the file that was registered
// (its size and SHA-256), gone, or changed since.
enum class NoticeFileState { kAsRegistered, kGone, kChanged };
NoticeFileState CheckNoticeFile(const registry::NoticeEntry& notice);
// "" for a file as registered, "File mancante", "File modificato dopo la registrazione".
std::string NoticeFileStateText(NoticeFileState state);

class NoticeSession {
 public:
  // The working directory holds config.ini and the draft; the tables, the schema and the manual are
  // its ref/ and docs/, or the installed data folder's when it has none (see places::FindData; an
  // empty installed_data: none). The clock gives today for the checks and the moment a notice is
  // made at.
  NoticeSession(std::filesystem::path working_directory, const Clock& clock,
                const std::filesystem::path& installed_data = {});

  const std::filesystem::path& working_directory() const noexcept { return working_directory_; }
  std::filesystem::path ConfigFile() const { return working_directory_ / "config.ini"; }
  // Where the tables, the schema and the manual are read from.
  const places::DataPlaces& places() const noexcept { return places_; }
  // The schema every notice is validated against, and whose location it names.
  std::filesystem::path SchemaFile() const { return places_.Schema(); }
  const Clock& clock() const noexcept { return clock_; }

  SubjectTable& table() noexcept { return table_; }
  const SubjectTable& table() const noexcept { return table_; }
  UserConfig& config() noexcept { return config_; }
  const UserConfig& config() const noexcept { return config_; }
  reference::ReferenceTables& tables() noexcept { return tables_; }

  [[nodiscard]] Status ReadConfig() { return nerovale::ReadConfig(ConfigFile(), config_); }
  [[nodiscard]] Status WriteConfig() const { return nerovale::WriteConfig(ConfigFile(), config_); }

  // The sender as config.ini gives it, and its municipality by name ("" when not in the table).
  output::Sender Sender() const;
  std::string NomeComune();
  // What keeps the sender from a notice: the municipality not in the table, a contact name missing,
  // too long or of characters the user data dialog refuses.
  std::vector<std::string> SenderFaults();

  // The register of notices: registro.sqlite in the working directory unless another is given; none
  // (nullptr) for a run that keeps no register.
  std::filesystem::path RegisterFile() const { return working_directory_ / registry::kFileName; }
  void UseRegister(std::unique_ptr<registry::Register> reg) { register_ = std::move(reg); }
  registry::Register* notice_register() const noexcept { return register_.get(); }

  // The guard of the next notice. The number after the highest that the register holds for this
  // sender in today's year ("" when none, or without a register); the latest notice of this sender
  // and of the checked header's year that had the checked number; the subjects of the table that a
  // registered notice already carried.
  registry::Answer<std::string> ProposedNumber();
  registry::Answer<std::optional<registry::NoticeEntry>> NumberUsed();
  registry::Answer<std::vector<registry::Repeat>> RepeatedSubjects();

  // Whether the table holds rows that no entry form checked (imported, restored from a draft): the
  // whole table is then checked before a notice. Set by an import, cleared by a new notice.
  bool importoFile() const noexcept { return importo_file_; }
  void SetImportoFile(bool value) noexcept { importo_file_ = value; }

  // A CSV file read as subjects that follow the table's; the caller appends them (the window through
  // its model) and marks the table as holding imported rows.
  [[nodiscard]] import::ImportResult ReadCsv(const std::filesystem::path& file);
  void AppendImported(std::vector<SubjectRow> rows);

  // The checks before a notice. CheckHeader judges the sender, then the number and date as typed (a
  // date that is one is written dd/mm/yyyy, and not after today) with the table's count, and keeps
  // them as the notice's header; for a table whose rows the entry form checked it also fails (kRows)
  // the rows whose death is after the notice date, which the form could not know. CheckRows judges
  // every row with today's date and the header's date. Once both have passed (CheckRows only when
  // importoFile), the session remembers what they saw. Check runs them all.
  CheckOutcome CheckHeader(const CommunicationHeader& typed);
  CheckOutcome CheckRows();
  CheckOutcome Check(const CommunicationHeader& typed);
  // Whether the table, the header and the sender are still what the last passed checks saw; a notice
  // is written only then.
  bool StillAsChecked(const CommunicationHeader& typed) const;
  const CommunicationHeader& header() const noexcept { return header_; }

  // Writes the notice of the checked header and table into a new folder of directory and validates
  // it (see output::WriteNotice); a validated notice is recorded in the register, whole, and
  // remembered as the last one with how its recording went.
  output::NoticeOutcome WriteNotice(const std::filesystem::path& directory, const output::Progress& progress = {});
  const std::optional<WrittenNotice>& last_notice() const noexcept { return last_notice_; }

  // Signing the last validated notice: firma.ini beside config.ini names the token's module; the
  // file is signed as it is on the disk only if it is still the one validated, with the certificate
  // chosen and the PIN typed (never kept), at the clock's moment. A failure writes nothing and leaves
  // the notice as it was. Signed again, the .p7m is replaced.
  std::filesystem::path SigningSettingsFile() const { return working_directory_ / signature::kSettingsFileName; }
  signature::Signed SignLastNotice(signature::Token& token, const signature::Certificate& certificate,
                                   const std::string& pin);
  // The certificate to offer first: the contact person's of config.ini.
  std::size_t PreferredCertificate(const std::vector<signature::Certificate>& certificates) const {
    return signature::PreferredCertificate(certificates, config_.CognomeReferente, config_.NomeReferente,
                                           NowAsTime());
  }
  // Whether the certificate can sign now (see signature::CanSignAt).
  [[nodiscard]] Status CanSign(const signature::Certificate& certificate) const;
  std::time_t NowAsTime() const;

  // The summary of the last validated notice, made from its file as it is on the disk; none when
  // there is no such notice or its file cannot be read.
  std::optional<summary::Summary> MakeSummary();
  // Writes it as a PDF file; the failure names the file and the cause.
  [[nodiscard]] Status WriteSummary(const std::filesystem::path& pdf);

 private:
  struct Checked {
    std::uint64_t revision;
    CommunicationHeader header;
    output::Sender sender;
  };
  void RememberChecked();

  std::filesystem::path working_directory_;
  places::DataPlaces places_;
  const Clock& clock_;
  SubjectTable table_;
  UserConfig config_;
  reference::ReferenceTables tables_;
  output::NoticeFolderMaker folders_;
  CommunicationHeader header_;
  bool importo_file_ = false;
  bool header_passed_ = false;
  std::optional<Checked> checked_;
  std::optional<WrittenNotice> last_notice_;
  std::unique_ptr<registry::Register> register_;
};

}  // namespace nerovale::session
