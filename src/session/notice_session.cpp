#include "session/notice_session.h"

#include <utility>

#include "core/dates.h"
#include "validation/sender_check.h"

namespace nerovale::session {

NoticeSession::NoticeSession(std::filesystem::path working_directory, const Clock& clock,
                             const std::filesystem::path& installed_data)
    : working_directory_(std::move(working_directory)),
      places_(places::FindData(working_directory_, installed_data)),
      clock_(clock),
      tables_(places_.Comuni(), places_.Stati(), places_.Validity()) {}

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
  const auto header = validation::ValidateCommunicationHeader(header_.numero, header_.data, table_.Count());
  if (!header.ok()) {
    outcome.failed = CheckOutcome::Failed::kHeader;
    outcome.header_warning = header.warning;
    return outcome;
  }
  header_passed_ = true;
  if (!importo_file_) RememberChecked();
  return outcome;
}

CheckOutcome NoticeSession::CheckRows() {
  CheckOutcome outcome;
  outcome.rows = validation::CheckSubjectTable(table_, clock_.Today(), tables_.Snapshot());
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
  if (outcome.valid) last_notice_ = WrittenNotice{outcome.file, now, table_.Revision(), header_, sender};
  return outcome;
}

std::optional<summary::Summary> NoticeSession::MakeSummary() {
  if (!last_notice_) return std::nullopt;
  const output::Notice notice{last_notice_->sender, last_notice_->header, table_, SchemaFile()};
  return summary::MakeSummary(notice, NomeComune(), last_notice_->file, last_notice_->written);
}

Status NoticeSession::WriteSummary(const std::filesystem::path& pdf) {
  const auto made = MakeSummary();
  if (!made) {
    return Status::Failure("Impossibile leggere il file " + (last_notice_ ? last_notice_->file.string() : std::string()));
  }
  return summary::WriteSummary(*made, pdf);
}

}  // namespace nerovale::session
