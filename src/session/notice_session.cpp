#include "session/notice_session.h"

#include <cerrno>
#include <ctime>
#include <utility>

#include "core/dates.h"
#include "core/system_files.h"
#include "signature/digest.h"
#include "signature/signature_texts.h"
#include "validation/sender_check.h"

namespace nerovale::session {

NoticeSession::NoticeSession(std::filesystem::path working_directory, const Clock& clock,
                             const std::filesystem::path& installed_data)
    : working_directory_(std::move(working_directory)),
      places_(places::FindData(working_directory_, installed_data)),
      clock_(clock),
      tables_(places_.Comuni(), places_.Stati(), places_.Validity()),
      register_(registry::FileRegister(RegisterFile(), clock_)) {}

output::Sender NoticeSession::Sender() const {
  return {config_.CodiceComune, config_.CognomeReferente, config_.NomeReferente};
}

std::string NoticeSession::NomeComune() { return tables_.DescComune(config_.CodiceComune).value; }

std::vector<std::string> NoticeSession::SenderFaults() {
  return validation::SenderFaults(config_.CodiceComune, NomeComune(), config_.CognomeReferente, config_.NomeReferente);
}

import::ImportResult NoticeSession::ReadCsv(const std::filesystem::path& file) {
  return import::ImportCsv(file, table_.Count(), tables_);
}

void NoticeSession::AppendImported(std::vector<SubjectRow> rows) {
  import::AppendRows(table_, std::move(rows));
  importo_file_ = true;
}

CheckOutcome NoticeSession::CheckHeader(const CommunicationHeader& typed) {
  checked_.reset();
  header_passed_ = false;
  CheckOutcome outcome;
  outcome.sender_faults = SenderFaults();
  if (!outcome.sender_faults.empty()) {
    outcome.failed = CheckOutcome::Failed::kSender;
    return outcome;
  }
  // The date box of the window holds dd/mm/yyyy; a date given otherwise (by the batch) is written so.
  header_ = typed;
  if (const auto date = dates::ParseDayMonthYear(typed.data)) header_.data = dates::FormatDdMmYyyy(*date);
  const auto header = validation::ValidateCommunicationHeader(header_.numero, header_.data, table_.Count(), clock_.Today());
  if (!header.ok()) {
    outcome.failed = CheckOutcome::Failed::kHeader;
    outcome.header_warning = header.warning;
    return outcome;
  }
  if (!importo_file_) {
    outcome.rows = validation::DeathsAfterNotice(table_, *dates::ParseDayMonthYear(header_.data));
    if (!outcome.rows.empty()) {
      outcome.failed = CheckOutcome::Failed::kRows;
      return outcome;
    }
  }
  header_passed_ = true;
  if (!importo_file_) RememberChecked();
  return outcome;
}

CheckOutcome NoticeSession::CheckRows() {
  CheckOutcome outcome;
  outcome.rows = validation::CheckSubjectTable(table_, clock_.Today(), tables_.Snapshot(),
                                              header_passed_ ? dates::ParseDayMonthYear(header_.data) : std::nullopt);
  if (!outcome.rows.empty()) {
    outcome.failed = CheckOutcome::Failed::kRows;
    checked_.reset();
  } else if (header_passed_) {
    RememberChecked();
  }
  return outcome;
}

CheckOutcome NoticeSession::Check(const CommunicationHeader& typed) {
  CheckOutcome outcome = CheckHeader(typed);
  if (outcome.ok() && importo_file_) outcome = CheckRows();
  return outcome;
}

void NoticeSession::RememberChecked() { checked_ = Checked{table_.Revision(), header_, Sender()}; }

bool NoticeSession::StillAsChecked(const CommunicationHeader& typed) const {
  CommunicationHeader normalised = typed;
  if (const auto date = dates::ParseDayMonthYear(typed.data)) normalised.data = dates::FormatDdMmYyyy(*date);
  return checked_ && checked_->revision == table_.Revision() && checked_->header.numero == normalised.numero &&
         checked_->header.data == normalised.data && checked_->sender == Sender();
}

output::NoticeOutcome NoticeSession::WriteNotice(const std::filesystem::path& directory,
                                                 const output::Progress& progress) {
  const Moment now = clock_.Now();
  const output::Sender sender = Sender();
  output::NoticeOutcome outcome =
      output::WriteNotice({sender, header_, table_, SchemaFile()}, directory, now, folders_, progress);
  if (!outcome.valid) return outcome;
  last_notice_ = WrittenNotice{outcome.file, now, table_.Revision(), header_, sender, {}, {}, {}, {}};
  Registration& registration = last_notice_->registration;
  // The digest of the file as validated: the register keeps it, and signing checks the file against it.
  const auto sha = signature::FileSha256Hex(outcome.file);
  if (sha) last_notice_->sha256 = *sha;
  if (!register_) return outcome;
  registry::NoticeRecord record{header_.numero, header_.data, sender.codice_comune, sender.cognome_referente,
                                sender.nome_referente, now, outcome.file.parent_path().string(),
                                outcome.file.filename().string(), {}, 0, {}};
  std::error_code error;
  record.size = std::filesystem::file_size(outcome.file, error);
  if (!sha || error) {
    registration = {Registration::State::kFailed, files::ReadFailureText(outcome.file, error ? error.value() : EIO), {}};
    return outcome;
  }
  record.sha256 = *sha;
  record.subjects.reserve(static_cast<std::size_t>(table_.Count()));
  for (int r = 1; r <= table_.Count(); ++r) record.subjects.push_back(table_.Row(r));
  const auto recorded = register_->Record(record);
  registration = {recorded.status ? Registration::State::kRegistered : Registration::State::kFailed,
                  recorded.status.message(), recorded.note};
  return outcome;
}

registry::Answer<std::string> NoticeSession::ProposedNumber() {
  if (!register_) return {};
  const auto highest = register_->HighestNumber(config_.CodiceComune, static_cast<int>(clock_.Today().year()));
  registry::Answer<std::string> answer{{}, highest.status, highest.note};
  // The number box takes nine digits at most: after 999999999 nothing is proposed.
  if (highest.value && *highest.value < 999'999'999) answer.value = std::to_string(*highest.value + 1);
  return answer;
}

registry::Answer<std::optional<registry::NoticeEntry>> NoticeSession::NumberUsed() {
  const auto date = dates::ParseDayMonthYear(header_.data);
  if (!register_ || !date) return {};
  return register_->Numbered(config_.CodiceComune, header_.numero, static_cast<int>(date->year()));
}

registry::Answer<std::vector<registry::Repeat>> NoticeSession::RepeatedSubjects() {
  if (!register_) return {};
  std::vector<SubjectRow> rows;
  rows.reserve(static_cast<std::size_t>(table_.Count()));
  for (int r = 1; r <= table_.Count(); ++r) rows.push_back(table_.Row(r));
  return register_->Repeats(rows);
}

NoticeFileState CheckNoticeFile(const registry::NoticeEntry& notice) {
  const std::filesystem::path file = notice.File();
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return NoticeFileState::kGone;
  // The size first: a changed size needs no digest, and most files are told apart by it.
  if (std::filesystem::file_size(file, error) != notice.size || error) return NoticeFileState::kChanged;
  const auto sha = signature::FileSha256Hex(file);
  if (!sha) return NoticeFileState::kGone;
  return *sha == notice.sha256 ? NoticeFileState::kAsRegistered : NoticeFileState::kChanged;
}

std::string NoticeFileStateText(NoticeFileState state) {
  switch (state) {
    case NoticeFileState::kAsRegistered: return {};
    case NoticeFileState::kGone: return "File mancante";
    case NoticeFileState::kChanged: return "File modificato dopo la registrazione";
  }
  return {};
}

std::time_t NoticeSession::NowAsTime() const { return signature::TimeOfMoment(clock_.Now()); }

Status NoticeSession::CanSign(const signature::Certificate& certificate) const {
  return signature::CanSignAt(certificate, NowAsTime());
}

signature::Signed NoticeSession::SignLastNotice(signature::Token& token, const signature::Certificate& certificate,
                                                const std::string& pin) {
  if (!last_notice_ || last_notice_->sha256.empty()) {
    return {Status::Failure(signature::NoValidatedNoticeText()), {}, {}};
  }
  signature::Signed made =
      signature::SignFile(last_notice_->file, last_notice_->sha256, token, certificate, pin, NowAsTime());
  if (made.status) {
    last_notice_->signed_file = made.p7m;
    last_notice_->signer = made.holder;
  }
  return made;
}

std::optional<summary::Summary> NoticeSession::MakeSummary() {
  if (!last_notice_) return std::nullopt;
  const output::Notice notice{last_notice_->sender, last_notice_->header, table_, SchemaFile()};
  auto made = summary::MakeSummary(notice, NomeComune(), last_notice_->file, last_notice_->written);
  if (made && !last_notice_->signed_file.empty()) {
    made->signer = last_notice_->signer;
    made->signed_file = last_notice_->signed_file.filename().string();
  }
  return made;
}

Status NoticeSession::WriteSummary(const std::filesystem::path& pdf) {
  const auto made = MakeSummary();
  if (!made) {
    return Status::Failure("Impossibile leggere il file " + (last_notice_ ? last_notice_->file.string() : std::string()));
  }
  return summary::WriteSummary(*made, pdf);
}

}  // namespace nerovale::session
