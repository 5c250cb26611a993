#include "ui/insert_persona.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/text.h"
#include "ui/field_filter.h"
#include "ui/message_box.h"
#include "ui/subject_table_model.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "validation/dialog_texts.h"

namespace nerovale::ui {
namespace {

namespace f = validation::filters;

QLabel* Caption(const char* text, QWidget* parent) { return new QLabel(text, parent); }

QStringListModel* NamesModel(const std::vector<std::string>& names, QObject* parent) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(names.size()));
  for (const auto& name : names) list.append(QtText(name));
  return new QStringListModel(list, parent);
}

}  // namespace

QLineEdit* InsertPersona::Box(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  SetBackground(box, kWhite);
  return box;
}

QComboBox* InsertPersona::Combo(const char* name, QWidget* parent, bool countries) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);  // the text is what the operator typed, never a guess
  combo->setMaxVisibleItems(20);
  combo->setMinimumContentsLength(24);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  SetBackground(combo, kWhite);
  InstallFilter(combo, f::kPlaceCombo);
  // A choice from the list fills its code box; leaving the combo fills it too, or empties it when
  // the name is not in the table.
  connect(combo, &QComboBox::activated, this, [this, combo, countries] {
    SetBackground(combo, kWhite);
    countries ? RifStato(combo) : RifComune(combo);
  });
  OnLeave(combo, [this, combo] { LeaveCombo(combo); });
  connect(combo, &QComboBox::editTextChanged, this, [combo] {
    if (Background(combo) == kHighlightColour) SetBackground(combo, kWhite);
  });
  return combo;
}

InsertPersona::InsertPersona(session::NoticeSession& session, SubjectTableModel& model, int row, QWidget* parent)
    : QDialog(parent), session_(session), model_(model), nuovo_(row == 0) {
  setObjectName("InsertPersona");

  cognome_ = Box("CognomeBox", this);
  nome_ = Box("NomeBox", this);
  maschio_ = new QRadioButton("M", this);
  maschio_->setObjectName("Option1");
  femmina_ = new QRadioButton("F", this);
  femmina_->setObjectName("Option2");
  for (QRadioButton* option : {maschio_, femmina_}) {
    option->setAutoFillBackground(true);
    SetBackground(option, kWhite);
  }
  giorno_ = Box("GiornoBox", this);
  mese_ = Box("MeseBox", this);
  anno_ = Box("AnnoBox", this);
  comune_it_ = Combo("ComuneITCombo", this, false);
  comune_n_cod_ = Box("ComuneNCodBox", this);
  comune_st_ = Box("ComuneSTBox", this);
  stato_ = Combo("StatoCombo", this, true);
  stato_n_cod_ = Box("StatoNCodBox", this);
  codice_fiscale_ = Box("CodiceFiscaleBox", this);
  paternita_ = Box("PaternitaBox", this);
  auto* decesso = new QGroupBox("Dati Decesso", this);
  decesso->setObjectName("XPFrame1");
  data_decesso_ = Box("DataDecessoBox", decesso);
  stato_d_ = Combo("StatoDCombo", decesso, true);
  stato_d_cod_ = Box("StatoDCodBox", decesso);
  comune_itd_ = Combo("ComuneITDCombo", decesso, false);
  comune_d_cod_ = Box("ComuneDCodBox", decesso);
  comune_std_ = Box("ComuneSTDBox", decesso);
  atto_morte_ = Box("AttoMorteBox", decesso);
  comune_atto_ = Combo("ComuneAttoCombo", decesso, false);
  comune_atto_cod_ = Box("ComuneAttoBox", decesso);
  anno_protocollo_ = Box("AnnoProtocolloBox", decesso);
  num_protocollo_ = Box("NumProtocolloBox", decesso);
  for (QLineEdit* code : {comune_n_cod_, stato_n_cod_, stato_d_cod_, comune_d_cod_, comune_atto_cod_}) code->hide();

  InstallFilter(cognome_, f::kCognome);
  InstallFilter(nome_, f::kNome);
  InstallFilter(paternita_, f::kNome);
  InstallFilter(comune_st_, f::kComuneEstero);
  InstallFilter(comune_std_, f::kComuneEstero);
  InstallFilter(giorno_, f::kGiornoMese);
  InstallFilter(mese_, f::kGiornoMese);
  InstallFilter(anno_, f::kAnno);
  InstallFilter(anno_protocollo_, f::kAnnoProtocollo);
  InstallFilter(codice_fiscale_, f::kCodiceFiscale);
  InstallFilter(atto_morte_, f::kAttoMorte);
  InstallFilter(num_protocollo_, f::kNumProtocollo);
  InstallDateMask(data_decesso_);

  // The lists, in file order; the municipality combos share one list, the country combos another. A
  // missing table was reported at start-up and gives an empty list here.
  QStringListModel* comuni = NamesModel(session.tables().ComuniNames(), this);
  QStringListModel* stati = NamesModel(session.tables().StatiNames(), this);
  for (QComboBox* combo : {comune_it_, comune_itd_, comune_atto_}) combo->setModel(comuni);
  for (QComboBox* combo : {stato_, stato_d_}) combo->setModel(stati);
  for (QComboBox* combo : {comune_it_, comune_itd_, comune_atto_, stato_, stato_d_}) {
    combo->setCurrentIndex(-1);
    combo->setEditText("");
  }

  const auto picture = [this](const char* name, const char* text, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
  };
  auto* image1 = picture("Image1", "Àß", this);
  auto* image2 = picture("Image2", "Àß", this);
  auto* image3 = picture("Image3", "Àß", this);
  image4_ = picture("Image4", "Àß", this);
  image6_ = picture("Image6", "Àß", decesso);
  auto* image5 = picture("Image5", "", decesso);
  image5->setIcon(CalendarIcon());

  auto* inserisci = new QPushButton("Inserisci", this);
  inserisci->setObjectName("Command1");
  auto* cancella = new QPushButton("Cancella", this);
  cancella->setObjectName("Command2");
  auto* annulla = new QPushButton("Annulla", this);
  annulla->setObjectName("Command3");
  for (QPushButton* b : {inserisci, cancella, annulla}) b->setAutoDefault(false);

  // Layout: the person above, the death in its frame, the buttons and the legend below.
  auto* person = new QGridLayout;
  person->addWidget(Caption("Cognome *", this), 0, 0);
  person->addWidget(cognome_, 0, 1, 1, 4);
  person->addWidget(image1, 0, 5);
  person->addWidget(Caption("Nome *", this), 1, 0);
  person->addWidget(nome_, 1, 1, 1, 4);
  person->addWidget(image2, 1, 5);
  auto* sex = new QHBoxLayout;
  sex->addWidget(maschio_);
  sex->addWidget(femmina_);
  sex->addStretch();
  person->addWidget(Caption("Sesso *", this), 2, 0);
  person->addLayout(sex, 2, 1);
  auto* birth = new QHBoxLayout;
  birth->addWidget(Caption("Giorno **", this));
  birth->addWidget(giorno_);
  birth->addWidget(Caption("Mese **", this));
  birth->addWidget(mese_);
  birth->addWidget(Caption("Anno *", this));
  birth->addWidget(anno_);
  birth->addStretch();
  for (QLineEdit* box : {giorno_, mese_}) box->setMaximumWidth(40);
  anno_->setMaximumWidth(60);
  person->addWidget(Caption("Data di Nascita:", this), 3, 0);
  person->addLayout(birth, 3, 1, 1, 4);
  person->addWidget(Caption("Comune Italiano     di Nascita **", this), 4, 0);
  person->addWidget(comune_it_, 4, 1, 1, 4);
  person->addWidget(Caption("Comune Straniero  di Nascita", this), 5, 0);
  person->addWidget(comune_st_, 5, 1, 1, 4);
  person->addWidget(image4_, 5, 5);
  person->addWidget(Caption("Nazione di Nascita *", this), 6, 0);
  person->addWidget(stato_, 6, 1, 1, 4);
  person->addWidget(Caption("Codice Fiscale **", this), 7, 0);
  person->addWidget(codice_fiscale_, 7, 1, 1, 4);
  person->addWidget(Caption("Nome    Padre", this), 8, 0);
  person->addWidget(paternita_, 8, 1, 1, 4);
  person->addWidget(image3, 8, 5);

  auto* death = new QGridLayout(decesso);
  death->addWidget(Caption("Data Decesso *", decesso), 0, 0);
  death->addWidget(data_decesso_, 0, 1);
  death->addWidget(image5, 0, 2);
  data_decesso_->setMaximumWidth(110);
  death->addWidget(Caption("Nazione Decesso *", decesso), 1, 0);
  death->addWidget(stato_d_, 1, 1, 1, 3);
  death->addWidget(Caption("Comune Italiano Decesso ***", decesso), 2, 0);
  death->addWidget(comune_itd_, 2, 1, 1, 3);
  death->addWidget(Caption("Comune Straniero Decesso", decesso), 3, 0);
  death->addWidget(comune_std_, 3, 1, 1, 3);
  death->addWidget(image6_, 3, 4);
  death->addWidget(Caption("Atto di morte *", decesso), 4, 0);
  death->addWidget(atto_morte_, 4, 1);
  death->addWidget(Caption("Atto di morte del Comune *", decesso), 5, 0);
  death->addWidget(comune_atto_, 5, 1, 1, 3);
  death->addWidget(Caption("Anno Protocollo", decesso), 6, 0);
  death->addWidget(anno_protocollo_, 6, 1);
  death->addWidget(Caption("Numero Protocollo", decesso), 7, 0);
  death->addWidget(num_protocollo_, 7, 1);
  atto_morte_->setMaximumWidth(110);
  anno_protocollo_->setMaximumWidth(60);
  num_protocollo_->setMaximumWidth(110);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(inserisci);
  buttons->addWidget(cancella);
  buttons->addWidget(annulla);
  auto* legend = Caption("* Campi Obbligatori , ** Obbligatorio se nato in Italia , *** Obbligatorio se deceduto in "
                         "Italia",
                         this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(person);
  layout->addWidget(decesso);
  layout->addLayout(buttons);
  layout->addWidget(legend);

  QWidget* order[] = {cognome_, nome_, maschio_, femmina_, giorno_, mese_, anno_, comune_it_, comune_st_, stato_,
                      codice_fiscale_, paternita_, data_decesso_, stato_d_, comune_itd_, comune_std_, atto_morte_,
                      comune_atto_, anno_protocollo_, num_protocollo_, inserisci, cancella, annulla};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // Highlights clear as the operator corrects a field.
  for (QLineEdit* box : {cognome_, nome_, comune_st_, codice_fiscale_, paternita_, comune_std_, atto_morte_,
                         anno_protocollo_, num_protocollo_, data_decesso_}) {
    ClearHighlightOnChange(box);
  }
  for (QLineEdit* box : {giorno_, mese_, anno_}) {
    connect(box, &QLineEdit::textChanged, this, [this] {
      for (QLineEdit* date : {giorno_, mese_, anno_}) SetBackground(date, kWhite);
    });
  }
  for (QRadioButton* option : {maschio_, femmina_}) {
    connect(option, &QRadioButton::clicked, this, [this, option] {
      if (Background(option) == kHighlightColour) {
        SetBackground(maschio_, kWhite);
        SetBackground(femmina_, kWhite);
      }
    });
  }
  connect(stato_, &QComboBox::editTextChanged, this, [this](const QString& text) { BirthInItaly(text == "ITALIA"); });
  connect(stato_d_, &QComboBox::editTextChanged, this, [this](const QString& text) { DeathInItaly(text == "ITALIA"); });
  connect(stato_n_cod_, &QLineEdit::textChanged, this, &InsertPersona::StatoNCodBox_Change);
  connect(stato_d_cod_, &QLineEdit::textChanged, this, &InsertPersona::StatoDCodBox_Change);

  connect(image1, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 1, cognome_); });
  connect(image2, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 2, nome_); });
  connect(image3, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 3, paternita_); });
  connect(image4_, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 4, comune_st_); });
  connect(image6_, &QToolButton::clicked, this, [this] { OpenPalette(palette_, 5, comune_std_); });
  connect(image5, &QToolButton::clicked, this, [this] { OpenCalendar("soggetto", data_decesso_); });
  connect(inserisci, &QPushButton::clicked, this, &InsertPersona::Inserisci);
  connect(cancella, &QPushButton::clicked, this, &InsertPersona::Cancella);
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);

  stato_->setEditText("ITALIA");
  stato_n_cod_->setText("Z000");
  stato_d_->setEditText("ITALIA");
  stato_d_cod_->setText("Z000");
  BirthInItaly(true);
  DeathInItaly(true);

  const int number = nuovo_ ? session.table().Count() + 1 : row;
  if (!nuovo_) editing_ = session.table().IdOf(number);
  setWindowTitle(" Inserimento Soggetto " + QString::number(number));
  setAttribute(Qt::WA_DeleteOnClose);
  opened_ = TypedEntry();
}

void InsertPersona::LeaveCombo(QComboBox* combo) {
  const bool found = combo == stato_ || combo == stato_d_ ? RifStato(combo) : RifComune(combo);
  if (!found) CodeBoxOf(combo)->clear();
}

validation::SubjectEntry InsertPersona::TypedEntry() const {
  validation::SubjectEntry entry = Entry();
  if (entry.data_decesso == "__/__/____") entry.data_decesso.clear();  // the mask of a box that had the focus
  return entry;
}

bool InsertPersona::HasUnsavedTyping() const { return TypedEntry() != opened_; }

void InsertPersona::ClearHighlightOnChange(QLineEdit* box) {
  connect(box, &QLineEdit::textChanged, this, [box] {
    if (Background(box) == kHighlightColour) SetBackground(box, kWhite);
  });
}

QLineEdit* InsertPersona::CodeBoxOf(const QComboBox* combo) const {
  if (combo == comune_it_) return comune_n_cod_;
  if (combo == comune_itd_) return comune_d_cod_;
  if (combo == stato_) return stato_n_cod_;
  if (combo == stato_d_) return stato_d_cod_;
  return comune_atto_cod_;
}

bool InsertPersona::RifComune(QComboBox* combo) {
  const auto lookup = session_.tables().FindComuneExact(Utf8(combo->currentText()));
  if (lookup.value.empty()) return false;
  CodeBoxOf(combo)->setText(QtText(lookup.value));
  return true;
}

bool InsertPersona::RifStato(QComboBox* combo) {
  const auto lookup = session_.tables().FindStatoExact(Utf8(combo->currentText()));
  if (lookup.value.empty()) return false;
  CodeBoxOf(combo)->setText(QtText(lookup.value));
  return true;
}

// One side of the Italy/abroad switch: in Italy the municipality combo is open and the foreign
// town grey, disabled and empty; abroad the municipality and its code are emptied and the combo is
// grey and disabled, while the foreign town and its palette button are open.
void InsertPersona::SwitchSide(const PlaceSide& side, bool italy) {
  if (Background(side.country) == kHighlightColour) SetBackground(side.country, kWhite);
  if (italy) {
    side.comune->setEnabled(true);
    SetBackground(side.comune, kWhite);
    side.foreign->clear();
    SetBackground(side.foreign, kGrey);
    side.foreign->setEnabled(false);
    side.palette->hide();
  } else {
    side.code->clear();
    side.comune->setEditText("");
    side.comune->setEnabled(false);
    SetBackground(side.comune, kGrey);
    SetBackground(side.foreign, kWhite);
    side.foreign->setEnabled(true);
    side.palette->show();
  }
}

void InsertPersona::BirthInItaly(bool italy) { SwitchSide({stato_, comune_it_, comune_n_cod_, comune_st_, image4_}, italy); }

void InsertPersona::DeathInItaly(bool italy) {
  SwitchSide({stato_d_, comune_itd_, comune_d_cod_, comune_std_, image6_}, italy);
}

void InsertPersona::StatoNCodBox_Change() { BirthInItaly(stato_n_cod_->text() == "Z000"); }

void InsertPersona::StatoDCodBox_Change() { DeathInItaly(stato_d_cod_->text() == "Z000"); }

void InsertPersona::FillFromRow(const SubjectRow& row) {
  cognome_->setText(QtText(row[kCognome]));
  nome_->setText(QtText(row[kNome]));
  maschio_->setChecked(row[kSesso] == "M");
  femmina_->setChecked(row[kSesso] == "F");
  const QString birth = QtText(row[kDataNascita]);
  const QStringList parts = birth.split('/');
  if (birth.size() >= 5 && parts.size() >= 3) {
    giorno_->setText(parts[0]);
    mese_->setText(parts[1]);
    anno_->setText(parts[2]);
  } else if (birth.size() >= 5) {
    mese_->setText(parts.value(0));
    anno_->setText(parts.value(1));
  } else if (text::IsDigits(row[kDataNascita])) {
    anno_->setText(birth);
  }
  comune_it_->setEditText(QtText(row[kComuneNascita]));
  comune_n_cod_->setText(QtText(row[kCodComuneNascita]));
  comune_st_->setText(QtText(row[kComuneEsteroNascita]));
  stato_->setEditText(QtText(row[kNazioneNascita]));
  stato_n_cod_->setText(QtText(row[kCodNazioneNascita]));
  StatoNCodBox_Change();
  codice_fiscale_->setText(QtText(row[kCodiceFiscale]));
  paternita_->setText(QtText(row[kNomePadre]));
  data_decesso_->setText(QtText(row[kDataDecesso]));
  stato_d_->setEditText(QtText(row[kNazioneDecesso]));
  stato_d_cod_->setText(QtText(row[kCodNazioneDecesso]));
  comune_itd_->setEditText(QtText(row[kComuneDecesso]));
  comune_d_cod_->setText(QtText(row[kCodComuneDecesso]));
  comune_std_->setText(QtText(row[kComuneEsteroDecesso]));
  StatoDCodBox_Change();
  atto_morte_->setText(QtText(row[kAttoMorte]));
  comune_atto_->setEditText(QtText(row[kComuneAtto]));
  comune_atto_cod_->setText(QtText(row[kCodComuneAtto]));
  anno_protocollo_->setText(QtText(row[kAnnoProtocollo]));
  num_protocollo_->setText(QtText(row[kNumeroProtocollo]));
  opened_ = TypedEntry();
}

void InsertPersona::FocusColumn(int column) {
  QWidget* target = nullptr;
  switch (column) {
    case kCognome: target = cognome_; break;
    case kNome: target = nome_; break;
    case kDataNascita: target = giorno_; break;
    case kComuneNascita: case kCodComuneNascita: target = comune_it_; break;
    case kComuneEsteroNascita: target = comune_st_; break;
    case kNazioneNascita: case kCodNazioneNascita: target = stato_; break;
    case kCodiceFiscale: target = codice_fiscale_; break;
    case kNomePadre: target = paternita_; break;
    case kDataDecesso: target = data_decesso_; break;
    case kNazioneDecesso: case kCodNazioneDecesso: target = stato_d_; break;
    case kComuneDecesso: case kCodComuneDecesso: target = comune_itd_; break;
    case kComuneEsteroDecesso: target = comune_std_; break;
    case kAttoMorte: target = atto_morte_; break;
    case kComuneAtto: case kCodComuneAtto: target = comune_atto_; break;
    case kAnnoProtocollo: target = anno_protocollo_; break;
    case kNumeroProtocollo: target = num_protocollo_; break;
    default: return;  // the number and the sex: the focus stays where it is
  }
  // Deferred until the row has been written into the controls and the switches have run.
  QMetaObject::invokeMethod(this, [this, target] {
    if (target->isEnabled() && target->isVisible()) {
      activateWindow();
      target->setFocus();
    }
  }, Qt::QueuedConnection);
}

validation::SubjectEntry InsertPersona::Entry() const {
  validation::SubjectEntry e;
  e.cognome = Utf8(cognome_->text());
  e.nome = Utf8(nome_->text());
  if (maschio_->isChecked() || femmina_->isChecked()) e.sesso.assign(1, maschio_->isChecked() ? 'M' : 'F');
  e.giorno = Utf8(giorno_->text());
  e.mese = Utf8(mese_->text());
  e.anno = Utf8(anno_->text());
  e.comune_nascita = Utf8(comune_it_->currentText());
  e.cod_comune_nascita = Utf8(comune_n_cod_->text());
  e.comune_estero_nascita = Utf8(comune_st_->text());
  e.nazione_nascita = Utf8(stato_->currentText());
  e.cod_nazione_nascita = Utf8(stato_n_cod_->text());
  e.codice_fiscale = Utf8(codice_fiscale_->text());
  e.nome_padre = Utf8(paternita_->text());
  e.data_decesso = Utf8(DateBoxText(data_decesso_));
  e.nazione_decesso = Utf8(stato_d_->currentText());
  e.cod_nazione_decesso = Utf8(stato_d_cod_->text());
  e.comune_decesso = Utf8(comune_itd_->currentText());
  e.cod_comune_decesso = Utf8(comune_d_cod_->text());
  e.comune_estero_decesso = Utf8(comune_std_->text());
  e.atto_morte = Utf8(atto_morte_->text());
  e.comune_atto = Utf8(comune_atto_->currentText());
  e.cod_comune_atto = Utf8(comune_atto_cod_->text());
  e.anno_protocollo = Utf8(anno_protocollo_->text());
  e.numero_protocollo = Utf8(num_protocollo_->text());
  return e;
}

void InsertPersona::Inserisci() {
  // A combo still holding the focus is left now, as a click on the button would leave it.
  if (auto* combo = qobject_cast<QComboBox*>(focusWidget())) LeaveCombo(combo);
  const QList<QWidget*> fields = findChildren<QWidget*>();
  for (QWidget* w : fields) {
    if (w->isEnabled() && (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w))) {
      SetBackground(w, kWhite);
    }
  }
  giorno_->setText(QtText(validation::PadDayOrMonth(Utf8(giorno_->text()))));
  mese_->setText(QtText(validation::PadDayOrMonth(Utf8(mese_->text()))));

  const auto outcome = validation::ValidateSubjectEntry(Entry(), session_.clock().Today(), session_.tables().Snapshot());
  if (!outcome.accepted) {
    for (const auto& failure : outcome.failures) {
      for (std::string_view control : failure.controls) {
        if (auto* w = findChild<QWidget*>(QString::fromUtf8(control.data(), static_cast<qsizetype>(control.size())))) {
          SetBackground(w, kHighlightColour);
        }
      }
    }
    Say(this, Icon::kWarning, QtText(validation::RejectionText(outcome.failures)));
    return;
  }

  int row = 0;
  if (nuovo_) {
    if (!model_.Append(outcome.row)) {
      Say(this, Icon::kWarning, QtText(validation::TableFullText()));
      return;
    }
    row = session_.table().Count();
  } else {
    // The row the form was opened for, wherever it stands now; gone when it was deleted meanwhile.
    row = session_.table().RowOf(editing_);
    if (row == 0 || !model_.Overwrite(row, outcome.row)) {
      Say(this, Icon::kWarning, QtText(std::string(validation::kEditedSubjectGone)));
      return;
    }
  }
  model_.PaintRow(row, kWhite);
  emit stored(row);
  close();
}

void InsertPersona::Cancella() {
  for (QLineEdit* box : findChildren<QLineEdit*>()) {
    if (box->parent() == this || box->parent() == stato_d_cod_->parent()) box->clear();
  }
  for (QWidget* w : findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      SetBackground(w, kWhite);
    }
  }
  for (QRadioButton* option : {maschio_, femmina_}) {
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
  }
  data_decesso_->setInputMask("");
  data_decesso_->clear();
  for (QComboBox* combo : {comune_it_, comune_itd_, comune_atto_}) combo->setEditText("");
  stato_->setEditText("ITALIA");
  stato_d_->setEditText("ITALIA");
  stato_n_cod_->setText("Z000");
  stato_d_cod_->setText("Z000");
}

void InsertPersona::closeEvent(QCloseEvent* event) {
  for (Diacritici* palette : findChildren<Diacritici*>()) palette->close();
  QDialog::closeEvent(event);
}

}  // namespace nerovale::ui
