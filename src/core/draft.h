#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/dates.h"
#include "core/status.h"
#include "core/subject_table.h"

// The draft of the notice in progress: the table of subjects, the row colours, the notice number and
// date, and the entry form while it is open with typing not yet stored, kept in a file beside
// config.ini so that a crash, a power cut or a killed program loses nothing. The file is UTF-8 text
// that a person can read:
//
//   Nerovale bozza<TAB>2
//   salvata<TAB>06/12/2026 14:30:05
//   numero<TAB>123
//   data<TAB>05/12/2026
//   soggetti<TAB>2
//   #FFFFFF<TAB>ROSSI<TAB>MARIO<TAB>M<TAB>... (the row colour, then the 22 cells)
//   #FFC0C0<TAB>...
//   scheda<TAB>2 (only with an open entry form: the row it edits, or "nuovo" for a new subject)
//   VERDI<TAB>ANNA<TAB>F<TAB>5//1950<TAB>... (its controls as 22 cells in the columns of the table,
//                                            the three boxes of the birth date as day/month/year)
//   fine
//
// A draft of version 1 is read as well: it is the same without the form.
//
// In every value a backslash is written "\\", a tab "\t", a line feed "\n", a carriage return "\r",
// and any other control character, or a byte that is not part of a UTF-8 character, "\xHH": every
// text comes back byte for byte. The count line and the end line tell a whole draft from a cut one.
namespace nerovale::draft {

inline constexpr std::string_view kFileName = "bozza.nerovale";
inline constexpr int kVersion = 2;

// A row's background as 0xRRGGBB.
using Colour = std::uint32_t;
inline constexpr Colour kWhite = 0xFFFFFF;

// The entry form as it stood, open with typing that is neither stored nor left behind: the row of
// the subject it edits at the time of saving (0 for a new subject) and its controls as cells in the
// columns of the table, column 0 unused (the form's own values, which the form makes and reads).
struct OpenForm {
  int row = 0;
  SubjectRow cells;
  bool operator==(const OpenForm&) const = default;
};

// What a draft holds; the rows are numbered 1 to N in column 0, as in the table.
struct Draft {
  Moment saved;
  CommunicationHeader header;
  std::vector<SubjectRow> rows;
  std::vector<Colour> colours;  // one per row
  std::optional<OpenForm> form;
};

// The text of a draft of the table as it stands, with the open entry form when there is one; a row
// without a colour is white.
std::string Format(const Moment& saved, const CommunicationHeader& header, const SubjectTable& table,
                   std::span<const Colour> colours, const std::optional<OpenForm>& form = std::nullopt);

// What was found where the draft lives.
struct Reading {
  enum class Kind { kNone, kDraft, kUnusable };
  Kind kind = Kind::kNone;
  Draft draft;        // kDraft
  std::string fault;  // kUnusable: why it cannot be restored, in Italian
};

Reading Parse(std::string_view text);
Reading Read(const std::filesystem::path& file);

// Replaces the draft atomically (see files::WriteAtomically): a crash at any moment leaves the
// previous draft or the new one, whole.
[[nodiscard]] Status Write(const std::filesystem::path& file, const Moment& saved, const CommunicationHeader& header,
                           const SubjectTable& table, std::span<const Colour> colours,
                           const std::optional<OpenForm>& form = std::nullopt);

// The draft leaves for good: its subjects were discarded by the operator or are safe in a
// validated notice. No draft is not a failure.
[[nodiscard]] Status Remove(const std::filesystem::path& file);

// Why a draft is put aside instead of being restored; the word goes into the new name.
enum class Aside { kNotRestored, kUnusable };

// Moves the draft, never over another file, to a dated name beside it:
// "bozza_non_ripristinata_20261206_143005.nerovale" or "bozza_danneggiata_20261206_143005.nerovale",
// with "_2", "_3", ... when that name is taken. The new path, or the failure.
struct Moved {
  Status status;
  std::filesystem::path to;
};
Moved MoveAside(const std::filesystem::path& file, Aside why, const Moment& now);

// Whether the table holds subjects that no validated notice carries as they stand now: a
// validated notice remembers the table's revision, and any later change makes them unsaved again.
bool HasUnsavedSubjects(const SubjectTable& table, std::optional<std::uint64_t> validated_revision);

// What the program knows of the draft while it runs, and so whether a change must be written: the
// draft is written while it exists, while there are unsaved subjects or while the entry form is open
// with typing in it (form_typed); once it has gone (a validated notice, subjects discarded) nothing
// brings it back but a change that leaves subjects or typing unsaved again.
class Keeping {
 public:
  bool HasUnsavedSubjects(const SubjectTable& table) const { return draft::HasUnsavedSubjects(table, validated_); }
  // Whether there is anything a crash would lose.
  bool WorthKeeping(const SubjectTable& table, bool form_typed) const {
    return form_typed || HasUnsavedSubjects(table);
  }
  bool MustWrite(const SubjectTable& table, bool form_typed = false) const {
    return on_disk_ || WorthKeeping(table, form_typed);
  }
  // Whether the draft on the disk holds nothing that a crash would lose any more, so that it can go.
  bool MayGo(const SubjectTable& table, bool form_typed) const { return on_disk_ && !WorthKeeping(table, form_typed); }
  void Written() { on_disk_ = true; }
  void Found() { on_disk_ = true; }
  void Removed() { on_disk_ = false; }
  void NoticeValidated(std::uint64_t revision) { validated_ = revision; }

 private:
  std::optional<std::uint64_t> validated_;
  bool on_disk_ = false;
};

// The questions and messages of the draft, in Italian. The recovery question names the subject in
// the entry form too, when the draft holds one.
std::string RecoveryQuestion(int count, const Moment& saved, bool with_form = false);
enum class Discarding { kExit, kNewNotice };
std::string DiscardQuestion(int count, Discarding what);
// The question before the typing of an open entry form is left behind: the form or the window
// closes, a new notice begins, or a notice is made without that subject.
enum class Leaving { kClose, kNewNotice, kNotice };
std::string UnsavedFormQuestion(Leaving what);
// A draft that cannot be restored, and where it went; when it could not be moved aside, that it
// stays and that no draft is saved over it until it can be.
std::string UnusableText(const std::string& fault, const Moved& moved);
std::string NotMovedText(const Moved& moved);
std::string SaveFailedText(const std::string& reason);

}  // namespace nerovale::draft
