#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <optional>

#include "core/draft.h"
#include "session/notice_session.h"

class QTimer;

namespace nerovale::ui {

class SubjectTableModel;

// Keeps the draft of the notice in progress on the disk while the program runs: every change of the
// table, of a row's colour, of the notice number and date or of the typing in the open entry form is
// written at most a second after it happened, and at once before any window closes (the entry form
// after "Inserisci", the import dialog, the main window) and before the program ends. The window
// decides when the draft goes away; this class only carries it out.
class DraftKeeper final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDelayMs = 1000;

  // The draft of the session's table, as the model shows it (the rows' colours), with the notice
  // number and date as the main window shows them (header) and the entry form while it is open with
  // typing in it (form).
  DraftKeeper(session::NoticeSession& session, SubjectTableModel& model, std::function<CommunicationHeader()> header,
              std::function<std::optional<draft::OpenForm>()> form, QObject* parent);

  std::filesystem::path File() const;
  Moment Now() const { return session_.clock().Now(); }

  // Something the draft holds changed (the number or the date, the typing in the entry form; the
  // table's changes come from the model by themselves): it is written at most a second later.
  void Changed();
  // The entry form closed (stored, or its typing left behind): the draft is written at once without
  // it, or goes when nothing else in it is unsaved.
  void FormLeft();

  // Saving starts, once a draft found at start has been dealt with; nothing before it touches the
  // file, so that a draft of an earlier run is never replaced before the operator was asked.
  void Begin();
  bool Pending() const;
  // Writes a change that is waiting, now.
  void SaveNow();

  // The draft was found whole at start and is kept (restored, or without subjects).
  void Found() { keeping_.Found(); }
  // The draft left by the operator's choice (moved aside).
  void Gone() { keeping_.Removed(); }
  // A damaged draft that could not be moved aside stays where it is: nothing is saved over it. Every
  // save first tries to move it aside again, and saves only once it has gone.
  void KeepDamaged() { damaged_in_place_ = true; }

  // Whether the table holds subjects that no validated notice carries.
  bool HasUnsavedSubjects() const;
  // The operator confirmed that the subjects may go: the draft goes with them, or keeps only the
  // typing of the entry form when it is still open.
  void Discard();
  // A notice with the table at this revision was written and validated: its subjects are safe.
  void NoticeValidated(std::uint64_t revision);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RemoveFile();

  session::NoticeSession& session_;
  SubjectTableModel& model_;
  std::function<CommunicationHeader()> header_;
  std::function<std::optional<draft::OpenForm>()> form_;
  QTimer* timer_;
  draft::Keeping keeping_;
  bool begun_ = false;
  bool dirty_ = false;
  bool failure_told_ = false;
  bool form_on_disk_ = false;  // the draft on the disk holds the entry form
  bool damaged_in_place_ = false;
};

}  // namespace nerovale::ui
