#include "ui/dati_utente.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data_places.h"
#include "ui/field_filter.h"
#include "ui/keyboard.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "ui/window_size.h"
#include "ui/window_texts.h"

namespace nerovale::ui {

DatiUtente::DatiUtente(session::NoticeSession& session, bool modifica_mode, QWidget* parent)
    : QDialog(parent),
      modifica(modifica_mode),
      session_(session),
      comune_(Named(new QComboBox(this), "Combo1")),
      codice_(Named(new QLineEdit(this), "Text3")),
      cognome_(Named(new QLineEdit(this), "Text1")),
      nome_(Named(new QLineEdit(this), "Text2")) {
  setObjectName("datiUtente");
  setWindowTitle(modifica ? " Modifica Dati Configurazione Utente" : " Inserimento Dati Configurazione Utente");
  auto* title = Named(new QLabel("Nerovale - Comunicazione dei decessi", this), "Label1");
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 3);
  title->setFont(bold);
  auto* intro = Named(new QLabel(modifica ? " Modifica dei parametri di configurazione iniziale : \n"
                                          : "Prima di accedere all'applicazione è necessario inserire i dati "
                                            "riguardanti il Comune di utilizzo e il referente:",
                                 this),
                      "Label2");
  intro->setWordWrap(true);
  // Started from the menu, the program works in the user's own folder: the first start says where.
  QLabel* folder = nullptr;
  if (!modifica && places::IsUserFolder(session.working_directory())) {
    folder = Named(new QLabel(QtText(ui::UserFolderText(session.working_directory().string())), this), "LabelCartella");
    folder->setWordWrap(true);
  }

  const auto names = session.tables().ComuniNames();  // empty when the table is missing, reported at start-up
  QStringList list;
  list.reserve(static_cast<qsizetype>(names.size()));
  for (const auto& name : names) list.append(QtText(name));
  comune_->setEditable(true);
  comune_->setInsertPolicy(QComboBox::NoInsert);
  comune_->setModel(new QStringListModel(list, comune_));
  comune_->setCompleter(nullptr);  // the name is what the operator typed or chose, never a guess
  comune_->setCurrentIndex(-1);
  InstallFilter(comune_, validation::filters::kPlaceCombo);
  OpenListAtText(comune_);
  codice_->setReadOnly(true);
  codice_->setFocusPolicy(Qt::NoFocus);
  codice_->setMaximumWidth(60);
  codice_->setAccessibleName(QtText(std::string(kCodiceComuneName)));
  InstallFilter(cognome_, validation::filters::kReferente);
  InstallFilter(nome_, validation::filters::kReferente);

  const UserConfig& config = session.config();
  if (!config.CodiceComune.empty()) comune_->setEditText(QtText(session.NomeComune()));
  if (modifica) {
    cognome_->setText(QtText(config.CognomeReferente));
    nome_->setText(QtText(config.NomeReferente));
    codice_->setText(QtText(config.CodiceComune));
  }

  auto* palette1 = Named(new QToolButton(this), "Image1");
  auto* palette2 = Named(new QToolButton(this), "Image2");
  palette1->setText("Àß");
  palette2->setText("Àß");
  palette1->setAccessibleName(AccessibleNameFor(kPaletteName, "Cognome"));
  palette2->setAccessibleName(AccessibleNameFor(kPaletteName, "Nome"));
  auto* ok = Named(new QPushButton("OK", this), "Command1");
  auto* cancel = Named(new QPushButton(modifica ? "Annulla" : "Esci", this), "Command2");

  auto* referente = Named(new QGroupBox("Referente", this), "XPFrame1");
  auto* names_grid = new QGridLayout(referente);
  auto* label_cognome = Named(new QLabel("Cognome", referente), "Label4");
  label_cognome->setBuddy(cognome_);
  names_grid->addWidget(label_cognome, 0, 0);
  names_grid->addWidget(cognome_, 0, 1);
  names_grid->addWidget(palette1, 0, 2);
  auto* label_nome = Named(new QLabel("Nome", referente), "Label5");
  label_nome->setBuddy(nome_);
  names_grid->addWidget(label_nome, 1, 0);
  names_grid->addWidget(nome_, 1, 1);
  names_grid->addWidget(palette2, 1, 2);
  auto* comune_row = new QHBoxLayout;
  auto* label_comune = Named(new QLabel("Comune", this), "Label3");
  label_comune->setBuddy(comune_);
  comune_row->addWidget(label_comune);
  comune_row->addWidget(comune_, 1);
  comune_row->addWidget(codice_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(intro);
  if (folder != nullptr) layout->addWidget(folder);
  layout->addLayout(comune_row);
  layout->addWidget(referente);
  layout->addLayout(buttons);
  setTabOrder(comune_, cognome_);
  setTabOrder(cognome_, palette1);
  setTabOrder(palette1, nome_);
  setTabOrder(nome_, palette2);
  setTabOrder(palette2, ok);
  setTabOrder(ok, cancel);
  OpenFitted(this, {520, 300});
  setAttribute(Qt::WA_DeleteOnClose);

  connect(comune_, &QComboBox::activated, this, &DatiUtente::LookUpComune);
  OnLeave(comune_, [this] { LookUpComune(); });
  connect(palette1, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 10, cognome_); });
  connect(palette2, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 20, nome_); });
  connect(ok, &QPushButton::clicked, this, &DatiUtente::Confirm);
  connect(cancel, &QPushButton::clicked, this, &DatiUtente::Cancel);
}

void DatiUtente::LookUpComune() {
  std::string code = session_.tables().FindComune(Utf8(comune_->currentText())).value;
  if (code.empty()) {
    // A name typed without its marks (FORLI) is the table's own when only one name differs so.
    if (const std::string like = session_.tables().ComuneLike(Utf8(comune_->currentText())); !like.empty()) {
      comune_->setEditText(QtText(like));
      code = session_.tables().FindComune(like).value;
    }
  }
  codice_->setText(QtText(code));
}

void DatiUtente::Confirm() {
  if (comune_->hasFocus()) LookUpComune();  // left by this button
  const auto refuse = [this](QWidget* focus, QLineEdit* box, std::string_view message) {
    Say(this, Icon::kWarning, QtText(std::string(message)));
    focus->setFocus();
    box->end(false);
  };
  if (codice_->text().isEmpty()) return refuse(comune_, comune_->lineEdit(), ui::kInserireComune);
  if (cognome_->text().trimmed().isEmpty()) return refuse(cognome_, cognome_, ui::kInserireCognomeReferente);
  if (nome_->text().trimmed().isEmpty()) return refuse(nome_, nome_, ui::kInserireNomeReferente);

  UserConfig& config = session_.config();
  config.CognomeReferente = Utf8(cognome_->text());
  config.NomeReferente = Utf8(nome_->text());
  config.CodiceComune = Utf8(codice_->text());
  emit confirmed();
  if (const Status saved = session_.WriteConfig(); !saved) {
    // The values stay in effect for this run; the operator learns that they were not kept.
    Say(this, Icon::kWarning, QtText(ui::ConfigNotSavedText(saved.message())));
  } else if (const Status read = session_.ReadConfig(); !read) {
    Say(this, Icon::kWarning, QtText(ui::ConfigNotReadText(read.message())));
  }
  if (!modifica) emit firstStartDone();
  accept();
}

void DatiUtente::Cancel() { reject(); }

void DatiUtente::reject() {
  const bool first_start = !modifica;
  QDialog::reject();
  if (first_start) emit leftFirstStart();  // the program ends, writing nothing
}

}  // namespace nerovale::ui
