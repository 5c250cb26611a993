#include "ui/signing_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "signature/signature_texts.h"
#include "ui/busy_scope.h"
#include "ui/keyboard.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/window_size.h"

namespace nerovale::ui {
namespace {

QString Text(std::string_view text) { return QtText(std::string(text)); }

QLabel* Caption(QWidget* parent, const char* name, const char* caption, QWidget* buddy) {
  auto* label = Named(new QLabel(caption, parent), name);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

FirmaDigitale::FirmaDigitale(session::NoticeSession& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      module_(Named(new QLineEdit(this), "TextModulo")),
      certificates_(Named(new QComboBox(this), "ComboCertificato")),
      pin_(Named(new QLineEdit(this), "TextPin")),
      state_(Named(new QLabel(this), "LabelStato")),
      firma_(Named(new QPushButton("&Firma", this), "Command1")) {
  setObjectName("FirmaDigitale");
  setWindowTitle(Text(signature::kFirmaDigitale));
  auto* aggiorna = Named(new QPushButton("&Aggiorna", this), "CommandAggiorna");
  auto* annulla = Named(new QPushButton("Annulla", this), "Command2");
  module_->setAccessibleName("Modulo PKCS#11");
  certificates_->setAccessibleName("Certificato");
  pin_->setAccessibleName("PIN");
  pin_->setEchoMode(QLineEdit::Password);
  state_->setWordWrap(true);
  certificates_->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Caption(this, "LabelModulo", "&Modulo PKCS#11:", module_), 0, 0);
  grid->addWidget(module_, 0, 1);
  grid->addWidget(aggiorna, 0, 2);
  grid->addWidget(Caption(this, "LabelCertificato", "&Certificato:", certificates_), 1, 0);
  grid->addWidget(certificates_, 1, 1, 1, 2);
  grid->addWidget(state_, 2, 1, 1, 2);
  grid->addWidget(Caption(this, "LabelPin", "&PIN:", pin_), 3, 0);
  grid->addWidget(pin_, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(firma_);
  buttons->addWidget(annulla);
  grid->addLayout(buttons, 4, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  setTabOrder(module_, aggiorna);
  setTabOrder(aggiorna, certificates_);
  setTabOrder(certificates_, pin_);
  setTabOrder(pin_, firma_);
  setTabOrder(firma_, annulla);
  // Enter in the PIN (or on the list) signs; Enter in the module's box looks at the token again.
  firma_->setDefault(true);
  OnKeys(module_, {Qt::Key_Return, Qt::Key_Enter}, [this] { Refresh(); });
  connect(aggiorna, &QPushButton::clicked, this, &FirmaDigitale::Refresh);
  connect(firma_, &QPushButton::clicked, this, &FirmaDigitale::Sign);
  connect(annulla, &QPushButton::clicked, this, &QDialog::reject);

  // A firma.ini that cannot be read is said; the box then holds the default module.
  const Status read = signature::ReadSettings(session_.SigningSettingsFile(), settings_);
  module_->setText(QtText(settings_.module.string()));
  Refresh();
  if (!read) ShowState(read.message());
  OpenFitted(this, {560, heightForWidth(560)});  // as high as its lines need, the reason wrapped
  if (certificates_->count() > 0) {
    pin_->setFocus();
  } else {
    module_->setFocus();
  }
}

FirmaDigitale::~FirmaDigitale() = default;

void FirmaDigitale::Refresh() {
  const std::filesystem::path module = Utf8(module_->text().trimmed());
  if (module != settings_.module) {
    signature::Settings changed = settings_;
    changed.module = module;
    if (const Status written = signature::WriteSettings(session_.SigningSettingsFile(), changed); !written) {
      Say(this, Icon::kWarning, QtText(written.message()));
    } else {
      settings_ = changed;
    }
  }
  token_.reset();  // the module is let go before it is loaded again
  certificates_->clear();
  Status opened;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  token_ = signature::Token::Open(module, opened);
  QApplication::restoreOverrideCursor();
  firma_->setEnabled(token_ != nullptr);
  if (!token_) {
    ShowState(opened.message());
    return;
  }
  ShowState({});
  for (const signature::Certificate& certificate : token_->certificates()) {
    certificates_->addItem(QtText(signature::CertificateChoiceText(certificate)));
  }
  certificates_->setCurrentIndex(static_cast<int>(session_.PreferredCertificate(token_->certificates())));
}

// Why the list is empty, under it; the line takes no room when all is well.
void FirmaDigitale::ShowState(const std::string& text) {
  state_->setText(QtText(text));
  state_->setVisible(!text.empty());
  if (isVisible() && layout() != nullptr) {
    layout()->activate();
    resize(width(), std::max(height(), heightForWidth(width())));
  }
}

const signature::Certificate* FirmaDigitale::Chosen() const {
  const int index = certificates_->currentIndex();
  if (!token_ || index < 0 || static_cast<std::size_t>(index) >= token_->certificates().size()) return nullptr;
  return &token_->certificates()[static_cast<std::size_t>(index)];
}

void FirmaDigitale::Sign() {
  const signature::Certificate* certificate = Chosen();
  if (certificate == nullptr) return;
  if (const Status usable = session_.CanSign(*certificate); !usable) {
    Say(this, Icon::kWarning, QtText(usable.message()));
    return;
  }
  if (!certificate->non_repudiation &&
      Say(this, Icon::kWarning, QtText(signature::NoNonRepudiationQuestion(certificate->holder)),
          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  signature::Signed made;
  {
    BusyScope busy(this);
    made = session_.SignLastNotice(*token_, *certificate, Utf8(pin_->text()));
  }
  pin_->clear();  // the PIN goes as soon as the token has answered
  activateWindow();  // back from the wait window, for the PIN typed again
  if (made.status) {
    Say(this, Icon::kInformation, QtText(signature::SignedText(made.p7m.string(), made.holder)));
    accept();
  } else if (signature::IsWrongPin(made.status.message())) {
    Say(this, Icon::kWarning, QtText(made.status.message()));
    pin_->setFocus();
  } else {
    Say(this, Icon::kWarning, QtText(signature::NotSignedText(made.status.message())));
    reject();
  }
}

void VerifySignedFile(QWidget* parent, const session::NoticeSession& session) {
  // The dialog opens where the notices are: the last one's folder, else the remembered folder.
  QString folder = QtText(session.config().CartellaFileXml);
  if (session.last_notice()) folder = QtText(session.last_notice()->file.parent_path().string());
  QFileDialog dialog(parent, Text(signature::kVerificaFirma), folder, "File firmati (*.p7m)");
  dialog.setObjectName("VerificaFirma");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::filesystem::path p7m = Utf8(QDir::toNativeSeparators(dialog.selectedFiles().front()));
  const signature::SignedFileReport report = signature::CheckSignedFile(p7m);
  Say(parent, signature::ReportIsGood(report) ? Icon::kInformation : Icon::kWarning,
      QtText(signature::ReportText(p7m, report, session.NowAsTime())));
}

}  // namespace nerovale::ui
