#include "ui/file_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "core/stop_signals.h"
#include "import/csv_import.h"
#include "output/notice_output.h"
#include "summary/summary_texts.h"
#include "ui/folder_browser.h"
#include "ui/message_box.h"
#include "ui/principale.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "ui/summary_print.h"
#include "validation/dialog_texts.h"

namespace nerovale::ui {
namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

// The starting folder of a file dialog: the remembered one, else the desktop.
void OpenStartFolder(FolderBrowser* browser, std::string& remembered) {
  if (remembered.empty()) remembered = Utf8(CartellaDesktop());
  browser->Open(QtText(remembered));  // a folder that no longer exists leaves the list where it is
}

void SaveConfig(Principale& principale) {
  AppState& state = principale.state();
  if (const Status saved = WriteConfig(state.ConfigFile(), state.config); !saved) {
    Say(&principale, Icon::kWarning, QtText(validation::ConfigNotSavedText(saved.message())));
  }
}

// The wait window and a busy cursor while the notice is written and read back. The work runs on the
// window thread; now and then it lets the event loop run, without the operator's input (keys, clicks,
// a request to close), so that the windows repaint and nothing changes the table under it.
class BusyWindows {
 public:
  explicit BusyWindows(Principale& principale) : principale_(principale), wait_(new Attesa(&principale)) {
    principale_.SetBusy(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wait_->show();
    Repaint();
  }
  ~BusyWindows() {
    if (wait_) wait_->close();
    QApplication::restoreOverrideCursor();
    principale_.SetBusy(false);
  }
  BusyWindows(const BusyWindows&) = delete;
  BusyWindows& operator=(const BusyWindows&) = delete;

  // Whether the work may go on: not once a stop signal has come (it is heard while repainting).
  bool Tick() {
    if (clock_.elapsed() >= 50) Repaint();
    return stop::Signal() == 0;
  }

 private:
  void Repaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    clock_.start();
  }

  Principale& principale_;
  QPointer<Attesa> wait_;
  QElapsedTimer clock_;
};

Moment NoticeTime() {
  const QDateTime now = QDateTime::currentDateTime();
  return {*dates::MakeDate(now.date().day(), now.date().month(), now.date().year()), now.time().hour(),
          now.time().minute()};
}

}  // namespace

CreaFiles::CreaFiles(Principale& principale)
    : QDialog(&principale), principale_(principale), browser_(new FolderBrowser(this)) {
  setObjectName("CreaFiles");
  setWindowTitle(" Salva file XML");
  auto* ok = Button(this, "Command1", "OK");
  auto* annulla = Button(this, "Command2", "Annulla");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(annulla);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label(this, "Label1", "Selezionare la directory di destinazione per il file :"));
  layout->addWidget(browser_, 1);
  layout->addLayout(buttons);
  resize(460, 380);
  setAttribute(Qt::WA_DeleteOnClose);
  OpenStartFolder(browser_, principale.state().config.CartellaFileXml);
  connect(ok, &QPushButton::clicked, this, &CreaFiles::Confirm);
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);
}

void CreaFiles::Confirm() {
  // Rows imported, edited or deleted, or a number, date or sender changed, since the check: the
  // checks run again, and a notice is written only from what they passed.
  if (!principale_.StillAsChecked() && !principale_.CheckAgain()) {
    close();
    return;
  }
  AppState& state = principale_.state();
  const output::Sender sender = principale_.Sender();
  const output::Notice notice{sender, state.header, state.table, output::SchemaPath(state.working_directory)};
  const std::uint64_t written = state.table.Revision();
  const Moment now = NoticeTime();
  output::NoticeOutcome outcome;
  {
    BusyWindows busy(principale_);
    outcome = output::WriteNotice(notice, Utf8(browser_->currentPath()), now, state.folders,
                                  [&busy] { return busy.Tick(); });
  }
  if (outcome.fault == output::NoticeFault::kStopped) {
    close();  // the program is ending: no file was saved, and nothing more is asked
    return;
  }
  if (!outcome.valid) {
    Say(this, Icon::kWarning, QtText(outcome.message));
  } else {
    principale_.NoticeValidated(written);  // its subjects are safe: the draft goes
    if (Say(this, Icon::kNone, QtText(outcome.message), QMessageBox::Ok, QMessageBox::Ok,
            QtText(std::string(summary::kStampaRiepilogo))) == kExtraButton) {
      OfferSummary(this, notice, state.tables.DescComune(sender.codice_comune).value, outcome.file,
                   {now.date, now.hour, now.minute});
    }
  }
  state.config.CartellaFileXml = Utf8(QDir::toNativeSeparators(browser_->currentPath()));
  SaveConfig(principale_);
  close();
}

ImportaFile::ImportaFile(Principale& principale)
    : QDialog(&principale),
      principale_(principale),
      browser_(new FolderBrowser(this)),
      files_(new QListWidget(this)),
      types_(new QComboBox(this)) {
  setObjectName("ImportaFile");
  setWindowTitle("Apri File");
  files_->setObjectName("File1");
  types_->setObjectName("Combo1");
  types_->addItem("File CSV (*.csv)");
  types_->setCurrentIndex(0);
  auto* ok = Button(this, "Command1", "OK");
  auto* annulla = Button(this, "Command2", "Annulla");
  auto* grid = new QGridLayout(this);
  grid->addWidget(Label(this, "Label1", "Scegliere il file da importare :"), 0, 0, 1, 2);
  grid->addWidget(browser_, 1, 0);
  grid->addWidget(files_, 1, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Label(this, "Label2", "Tipo file :"));
  bottom->addWidget(types_, 1);
  bottom->addWidget(ok);
  bottom->addWidget(annulla);
  grid->addLayout(bottom, 2, 0, 1, 2);
  resize(560, 380);
  setAttribute(Qt::WA_DeleteOnClose);
  setTabOrder(browser_->drives(), browser_->folders());
  setTabOrder(browser_->folders(), files_);
  setTabOrder(files_, types_);
  setTabOrder(types_, ok);
  setTabOrder(ok, annulla);

  connect(browser_, &FolderBrowser::folderOpened, this, &ImportaFile::ListFiles);
  connect(types_, &QComboBox::activated, this, &ImportaFile::ListFiles);
  connect(files_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
    NomeFile = name.isEmpty() ? QString() : QDir(browser_->currentPath()).absoluteFilePath(name);
  });
  connect(files_, &QListWidget::itemActivated, this, &ImportaFile::Confirm);
  connect(ok, &QPushButton::clicked, this, &ImportaFile::Confirm);
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);
  OpenStartFolder(browser_, principale.state().config.CartellaImport);
  ListFiles();
  browser_->folders()->setFocus();
}

void ImportaFile::ListFiles() {
  files_->clear();
  NomeFile.clear();
  files_->addItems(QDir(browser_->currentPath()).entryList({"*.csv"}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void ImportaFile::Confirm() {
  if (files_->currentItem() == nullptr || !files_->currentItem()->isSelected() || NomeFile.isEmpty()) {
    Say(this, Icon::kWarning, QtText(std::string(validation::kSelezionareUnFile)));
    return;
  }
  AppState& state = principale_.state();
  auto result = import::ImportCsv(Utf8(NomeFile), state.table.Count(), state.tables);
  if (!result.ok) {
    Say(this, Icon::kCritical, QtText(import::ImportFailureText(result, state.table.Count())));
    int prog = state.table.Count();  // a copy: the count itself is not changed
    principale_.EraseTable(prog);
    close();
    return;
  }
  principale_.model().AppendRows(std::move(result.rows));
  principale_.SetCurrentCell(state.table.Count(), 1);
  principale_.grid()->setFocus();
  state.importoFile = true;
  state.config.CartellaImport = Utf8(QDir::toNativeSeparators(browser_->currentPath()));
  SaveConfig(principale_);
  close();
}

}  // namespace nerovale::ui
