#include "ui/file_dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "import/csv_import.h"
#include "register/register_texts.h"
#include "signature/signature_texts.h"
#include "summary/summary_texts.h"
#include "ui/busy_scope.h"
#include "ui/folder_browser.h"
#include "ui/keyboard.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/signing_window.h"
#include "ui/subject_table_model.h"
#include "ui/summary_print.h"
#include "ui/window_size.h"
#include "ui/window_texts.h"

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

}  // namespace

void SaveConfig(QWidget* parent, session::NoticeSession& session) {
  if (const Status saved = session.WriteConfig(); !saved) {
    Say(parent, Icon::kWarning, QtText(ui::ConfigNotSavedText(saved.message())));
  }
}

CreaFiles::CreaFiles(session::NoticeSession& session, std::function<bool()> checked, QWidget* parent)
    : QDialog(parent), session_(session), checked_(std::move(checked)), browser_(new FolderBrowser(this)) {
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
  OpenFitted(this, {460, 380});
  setAttribute(Qt::WA_DeleteOnClose);
  OpenStartFolder(browser_, session.config().CartellaFileXml);
  // The folder list is where a person starts: Tab then goes to the drives, "OK" and "Annulla".
  setTabOrder(browser_->folders(), browser_->drives());
  setTabOrder(browser_->drives(), ok);
  setTabOrder(ok, annulla);
  browser_->folders()->setCurrentRow(0);
  browser_->folders()->setFocus();
  connect(ok, &QPushButton::clicked, this, &CreaFiles::Confirm);
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);
}

void CreaFiles::Confirm() {
  if (!checked_()) {
    close();
    return;
  }
  const std::uint64_t written = session_.table().Revision();
  output::NoticeOutcome outcome;
  {
    BusyScope busy(parentWidget());
    outcome = session_.WriteNotice(Utf8(browser_->currentPath()), [&busy] { return busy.Tick(); });
  }
  if (outcome.fault == output::NoticeFault::kStopped) {
    close();  // the program is ending: no file was saved, and nothing more is asked
    return;
  }
  if (!outcome.valid) {
    Say(this, Icon::kWarning, QtText(outcome.message));
  } else {
    emit noticeValidated(written);  // its subjects are safe: the draft goes
    // The notice stays whatever became of its recording; a register that did not take it is said.
    const session::Registration& registration = session_.last_notice()->registration;
    if (!registration.note.empty()) Say(this, Icon::kWarning, QtText(registration.note));
    if (registration.state == session::Registration::State::kFailed) {
      Say(this, Icon::kWarning, QtText(registry::NotRegisteredText(registration.reason)));
    }
    // After signing the message comes back, so that the summary (which then names the signer) and
    // the question are still to be had.
    auto answer = kSecondExtraButton;
    while (answer == kSecondExtraButton) {
      answer = Say(this, Icon::kNone, QtText(ValidatedNoticeText(outcome.message)), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No, QtText(std::string(summary::kStampaRiepilogo)),
                   QtText(std::string(signature::kFirmaDigitale)));
      if (answer == kSecondExtraButton) {
        FirmaDigitale signing(session_, this);
        signing.exec();
      }
    }
    if (answer == kExtraButton) OfferSummary(this, session_);
    if (answer == QMessageBox::Yes) emit emptyTableAsked();
  }
  session_.config().CartellaFileXml = Utf8(QDir::toNativeSeparators(browser_->currentPath()));
  SaveConfig(parentWidget(), session_);
  close();
}

ImportaFile::ImportaFile(session::NoticeSession& session, SubjectTableModel& model, QWidget* parent)
    : QDialog(parent),
      session_(session),
      model_(model),
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
  QLabel* tipo = Label(this, "Label2", "Tipo file :");
  tipo->setBuddy(types_);
  files_->setAccessibleName(QtText(std::string(kFilesName)));
  bottom->addWidget(tipo);
  bottom->addWidget(types_, 1);
  bottom->addWidget(ok);
  bottom->addWidget(annulla);
  grid->addLayout(bottom, 2, 0, 1, 2);
  OpenFitted(this, {560, 380});
  setAttribute(Qt::WA_DeleteOnClose);
  setTabOrder(browser_->folders(), files_);
  setTabOrder(files_, types_);
  setTabOrder(types_, browser_->drives());
  setTabOrder(browser_->drives(), ok);
  setTabOrder(ok, annulla);

  connect(browser_, &FolderBrowser::folderOpened, this, &ImportaFile::ListFiles);
  connect(types_, &QComboBox::activated, this, &ImportaFile::ListFiles);
  connect(files_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
    NomeFile = name.isEmpty() ? QString() : QDir(browser_->currentPath()).absoluteFilePath(name);
  });
  // A file chosen by a double click or Enter is selected and the focus goes to "OK", which imports it.
  const auto choose = [this, ok] {
    if (files_->currentItem() == nullptr) return;
    files_->currentItem()->setSelected(true);
    ok->setFocus(Qt::OtherFocusReason);
  };
  connect(files_, &QListWidget::itemActivated, this, choose);
  OnKeys(files_, {Qt::Key_Return, Qt::Key_Enter}, choose);
  connect(ok, &QPushButton::clicked, this, &ImportaFile::Confirm);
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);
  OpenStartFolder(browser_, session.config().CartellaImport);
  ListFiles();
  browser_->folders()->setCurrentRow(0);
  browser_->folders()->setFocus();
}

void ImportaFile::ListFiles() {
  files_->clear();
  NomeFile.clear();
  files_->addItems(QDir(browser_->currentPath()).entryList({"*.csv"}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void ImportaFile::Confirm() {
  if (files_->currentItem() == nullptr || !files_->currentItem()->isSelected() || NomeFile.isEmpty()) {
    Say(this, Icon::kWarning, QtText(std::string(ui::kSelezionareUnFile)));
    return;
  }
  auto result = session_.ReadCsv(Utf8(NomeFile));
  if (!result.ok) {
    Say(this, Icon::kCritical, QtText(import::ImportFailureText(result, session_.table().Count())));
    emit importFailed();
    close();
    return;
  }
  const std::size_t count = result.rows.size();
  model_.AppendRows(std::move(result.rows));
  session_.SetImportoFile(true);
  emit imported();
  Say(this, Icon::kNone, QtText(import::ImportDoneText(count, result.notes)));
  session_.config().CartellaImport = Utf8(QDir::toNativeSeparators(browser_->currentPath()));
  SaveConfig(parentWidget(), session_);
  close();
}

}  // namespace nerovale::ui
