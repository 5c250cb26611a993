#include "ui/draft_keeper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <vector>

#include "core/system_files.h"
#include "ui/message_box.h"
#include "ui/subject_table_model.h"
#include "ui/qt_text.h"

namespace nerovale::ui {

DraftKeeper::DraftKeeper(session::NoticeSession& session, SubjectTableModel& model,
                         std::function<CommunicationHeader()> header,
                         std::function<std::optional<draft::OpenForm>()> form, QObject* parent)
    : QObject(parent),
      session_(session),
      model_(model),
      header_(std::move(header)),
      form_(std::move(form)),
      timer_(new QTimer(this)) {
  timer_->setObjectName("TimerBozza");
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &DraftKeeper::SaveNow);
  connect(&model, &QAbstractItemModel::dataChanged, this, &DraftKeeper::Changed);
  connect(&model, &QAbstractItemModel::rowsInserted, this, &DraftKeeper::Changed);
  connect(&model, &QAbstractItemModel::rowsRemoved, this, &DraftKeeper::Changed);
  connect(&model, &QAbstractItemModel::modelReset, this, &DraftKeeper::Changed);
  connect(qApp, &QCoreApplication::aboutToQuit, this, &DraftKeeper::SaveNow);
  qApp->installEventFilter(this);  // the closing of every window
}

bool DraftKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
    SaveNow();
  }
  return false;
}

std::filesystem::path DraftKeeper::File() const { return session_.working_directory() / draft::kFileName; }

void DraftKeeper::Begin() {
  begun_ = true;
  Changed();  // what changed while the operator had not yet been asked
}

bool DraftKeeper::Pending() const { return timer_->isActive(); }

// The timer is not restarted by a change that finds it running: a change is on the disk at most a
// second later even while the operator keeps typing.
void DraftKeeper::Changed() {
  dirty_ = true;
  if (begun_ && !timer_->isActive()) timer_->start(kDelayMs);
}

void DraftKeeper::SaveNow() {
  timer_->stop();
  const SubjectTable& table = session_.table();
  if (!begun_ || !dirty_) return;
  const std::optional<draft::OpenForm> form = form_();
  if (!keeping_.MustWrite(table, form.has_value())) return;
  if (damaged_in_place_) {
    // Told once, at start; until the damaged draft can go aside, the changes wait.
    const auto moved = draft::MoveAside(File(), draft::Aside::kUnusable, Now());
    if (!moved.status && files::AlreadyThere(File())) return;
    damaged_in_place_ = false;
  }
  dirty_ = false;
  std::vector<draft::Colour> colours;
  colours.reserve(static_cast<std::size_t>(table.Count()));
  for (int r = 1; r <= table.Count(); ++r) colours.push_back(model_.RowColour(r).rgb() & 0xFFFFFF);
  const Status written = draft::Write(File(), Now(), header_(), table, colours, form);
  if (written) {
    keeping_.Written();
    form_on_disk_ = form.has_value();
    failure_told_ = false;
    return;
  }
  dirty_ = true;         // tried again at the next change and when the window closes
  if (!failure_told_) {  // once, not at every change
    failure_told_ = true;
    Say(qobject_cast<QWidget*>(parent()), Icon::kWarning, QtText(draft::SaveFailedText(written.message())));
  }
}

bool DraftKeeper::HasUnsavedSubjects() const { return keeping_.HasUnsavedSubjects(session_.table()); }

void DraftKeeper::FormLeft() {
  if (!begun_ || !form_on_disk_) return;
  if (keeping_.MayGo(session_.table(), form_().has_value())) {
    RemoveFile();  // it was kept for the form alone, over subjects that are empty or safe in a notice
    return;
  }
  Changed();
  SaveNow();
}

void DraftKeeper::Discard() {
  if (!begun_) return;
  if (form_()) {  // the typing of the open form stays in the draft, without the subjects
    Changed();
    SaveNow();
    return;
  }
  RemoveFile();
}

void DraftKeeper::NoticeValidated(std::uint64_t revision) {
  keeping_.NoticeValidated(revision);
  if (!begun_) return;
  if (keeping_.WorthKeeping(session_.table(), form_().has_value())) {
    Changed();  // the table changed again since, or the entry form holds typing: its draft stays
  } else {
    RemoveFile();
  }
}

void DraftKeeper::RemoveFile() {
  timer_->stop();
  dirty_ = false;
  if (const Status removed = draft::Remove(File()); !removed) {
    Say(qobject_cast<QWidget*>(parent()), Icon::kWarning, QtText(removed.message()));
    return;
  }
  keeping_.Removed();
  form_on_disk_ = false;
}

}  // namespace nerovale::ui
