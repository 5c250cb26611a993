#include "ui/insert_persona.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

#include "core/draft.h"
#include "reference/place_dates.h"
#include "ui/field_filter.h"
#include "ui/keyboard.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/small_windows.h"
#include "ui/subject_table_model.h"
#include "ui/window_texts.h"

namespace nerovale::ui {
namespace {

using validation::Field;
using validation::FieldInfo;
using validation::FieldKind;

// A caption; the control it names takes its text as its name for a screen reader.
QLabel* Caption(const char* text, QWidget* parent, QWidget* control = nullptr) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(control);
  return label;
}

QStringListModel* NamesModel(const std::vector<std::string>& names, QObject* parent) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(names.size()));
  for (const auto& name : names) list.append(QtText(name));
  return new QStringListModel(list, parent);
}

// The fields of the death, which stand in their own frame.
bool InDeathFrame(Field field) { return field >= Field::kDataDecesso; }

}  // namespace

InsertPersona::InsertPersona(session::NoticeSession& session, SubjectTableModel& model, int row, QWidget* parent)
    : QDialog(parent), session_(session), model_(model), nuovo_(row == 0) {
  setObjectName("InsertPersona");
  Build();
  Show(validation::SubjectForm::New());
  const int number = nuovo_ ? session.table().Count() + 1 : row;
  if (!nuovo_) editing_ = session.table().IdOf(number);
  setWindowTitle(" Inserimento Soggetto " + QString::number(number));
  setAttribute(Qt::WA_DeleteOnClose);
  opened_ = TypedEntry();
}

// Every control from the table of fields: its kind, its name, its filter; then the pictures and the
// buttons, the layout, the tab order (the fields' own) and the reactions of each control.
void InsertPersona::Build() {
  auto* decesso = Named(new QGroupBox("Dati Decesso", this), "XPFrame1");
  QStringListModel* comuni = NamesModel(session_.tables().ComuniNames(), this);
  QStringListModel* stati = NamesModel(session_.tables().StatiNames(), this);
  for (const FieldInfo& info : validation::Fields()) {
    QWidget* parent = InDeathFrame(info.field) ? decesso : static_cast<QWidget*>(this);
    QWidget* control = nullptr;
    switch (info.kind) {
      case FieldKind::kBox:
      case FieldKind::kDate: {
        auto* box = Named(new QLineEdit(parent), info.control.data());
        SetBackground(box, kWhite);
        if (info.filter != nullptr) InstallFilter(box, *info.filter);
        if (info.kind == FieldKind::kDate) InstallDateMask(box);
        connect(box, &QLineEdit::textChanged, this, &InsertPersona::edited);
        // A highlight clears as the operator corrects the field; the birth date's boxes clear together.
        connect(box, &QLineEdit::textChanged, this, [this, box, field = info.field] {
          if (field == Field::kGiorno || field == Field::kMese || field == Field::kAnno) {
            for (Field date : {Field::kGiorno, Field::kMese, Field::kAnno}) SetBackground(Control(date), kWhite);
          } else if (Background(box) == kHighlightColour) {
            SetBackground(box, kWhite);
          }
        });
        control = box;
        break;
      }
      case FieldKind::kPlace:
      case FieldKind::kCountry: {
        auto* combo = Named(new QComboBox(parent), info.control.data());
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);  // the text is what the operator typed, never a guess
        combo->setMaxVisibleItems(20);
        combo->setMinimumContentsLength(24);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setModel(info.kind == FieldKind::kCountry ? stati : comuni);
        combo->setCurrentIndex(-1);
        combo->setEditText("");
        SetBackground(combo, kWhite);
        InstallFilter(combo, *info.filter);
        OpenListAtText(combo);
        // A choice from the list gives its code; leaving the combo gives it too, or none for a name
        // not in the table.
        connect(combo, &QComboBox::activated, this, [this, combo, country = info.kind == FieldKind::kCountry] {
          SetBackground(combo, kWhite);
          country ? RifStato(combo) : RifComune(combo);
        });
        OnLeave(combo, [this, combo] { LeaveCombo(combo); });
        connect(combo, &QComboBox::editTextChanged, this, &InsertPersona::edited);
        connect(combo, &QComboBox::editTextChanged, this, [combo] {
          if (Background(combo) == kHighlightColour) SetBackground(combo, kWhite);
        });
        control = combo;
        break;
      }
      case FieldKind::kSex: {
        auto* maschio = Named(new QRadioButton("M", this), "Option1");
        femmina_ = Named(new QRadioButton("F", this), "Option2");
        for (QRadioButton* option : {maschio, femmina_}) {
          option->setAutoFillBackground(true);
          SetBackground(option, kWhite);
          connect(option, &QRadioButton::toggled, this, &InsertPersona::edited);
          connect(option, &QRadioButton::clicked, this, [this, option] {
            if (Background(option) == kHighlightColour) {
              SetBackground(Control(Field::kSesso), kWhite);
              SetBackground(femmina_, kWhite);
            }
          });
        }
        control = maschio;
        break;
      }
    }
    controls_[static_cast<std::size_t>(info.field)] = control;
  }
  // The Italy/abroad switch follows each country as it is typed or chosen.
  connect(Combo(Field::kNazioneNascita), &QComboBox::editTextChanged, this,
          [this](const QString& text) { BirthInItaly(IsItaly(text)); });
  connect(Combo(Field::kNazioneDecesso), &QComboBox::editTextChanged, this,
          [this](const QString& text) { DeathInItaly(IsItaly(text)); });

  // The palette of every box that has one ("Àß"), and the calendar of the death date: each follows its
  // box in the tab order, so that a letter of the palette is reached without the mouse.
  std::map<Field, QWidget*> after_box;
  for (const FieldInfo& info : validation::Fields()) {
    if (info.palette == 0) continue;
    QWidget* parent = InDeathFrame(info.field) ? decesso : static_cast<QWidget*>(this);
    const QString name = QString("Image%1").arg(info.palette == 5 ? 6 : info.palette);
    auto* button = Named(new QToolButton(parent), name.toUtf8().constData());
    button->setText("Àß");
    button->setFocusPolicy(Qt::StrongFocus);
    after_box[info.field] = button;
    connect(button, &QToolButton::clicked, this,
            [this, target = info.palette, box = Box(info.field)] { OpenPalette(palette_, target, box); });
    if (info.field == Field::kComuneEsteroNascita) image4_ = button;
    if (info.field == Field::kComuneEsteroDecesso) image6_ = button;
  }
  auto* image5 = Named(new QToolButton(decesso), "Image5");
  image5->setIcon(CalendarIcon());
  image5->setFocusPolicy(Qt::StrongFocus);
  after_box[Field::kDataDecesso] = image5;
  connect(image5, &QToolButton::clicked, this, [this] { OpenCalendar("soggetto", Box(Field::kDataDecesso)); });

  auto* inserisci = Named(new QPushButton("Inserisci", this), "Command1");
  auto* cancella = Named(new QPushButton("Cancella", this), "Command2");
  auto* annulla = Named(new QPushButton("Annulla", this), "Command3");
  for (QPushButton* b : {inserisci, cancella, annulla}) b->setAutoDefault(false);
  connect(inserisci, &QPushButton::clicked, this, &InsertPersona::Inserisci);
  connect(cancella, &QPushButton::clicked, this, &InsertPersona::Cancella);
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);

  LayOut(decesso, inserisci, cancella, annulla);
  QWidget* previous = nullptr;
  for (const FieldInfo& info : validation::Fields()) {
    const auto extra = after_box.find(info.field);
    for (QWidget* control : {Control(info.field), info.kind == FieldKind::kSex ? static_cast<QWidget*>(femmina_) : nullptr,
                             extra == after_box.end() ? nullptr : extra->second}) {
      if (control == nullptr) continue;
      if (previous != nullptr) setTabOrder(previous, control);
      previous = control;
    }
  }
  for (QWidget* button : {inserisci, cancella, annulla}) {
    setTabOrder(previous, button);
    previous = button;
  }
}

void InsertPersona::LayOut(QWidget* decesso, QWidget* inserisci, QWidget* cancella, QWidget* annulla) {
  auto* cognome = Box(Field::kCognome);
  auto* nome = Box(Field::kNome);
  auto* giorno = Box(Field::kGiorno);
  auto* mese = Box(Field::kMese);
  auto* anno = Box(Field::kAnno);
  auto* comune_it = Combo(Field::kComuneNascita);
  auto* comune_st = Box(Field::kComuneEsteroNascita);
  auto* stato = Combo(Field::kNazioneNascita);
  auto* codice_fiscale = Box(Field::kCodiceFiscale);
  auto* paternita = Box(Field::kNomePadre);
  auto* data_decesso = Box(Field::kDataDecesso);
  auto* stato_d = Combo(Field::kNazioneDecesso);
  auto* comune_itd = Combo(Field::kComuneDecesso);
  auto* comune_std = Box(Field::kComuneEsteroDecesso);
  auto* atto_morte = Box(Field::kAttoMorte);
  auto* comune_atto = Combo(Field::kComuneAtto);
  auto* anno_protocollo = Box(Field::kAnnoProtocollo);
  auto* num_protocollo = Box(Field::kNumeroProtocollo);
  QWidget* maschio = Control(Field::kSesso);
  QWidget* femmina = femmina_;
  QWidget* image1 = findChild<QToolButton*>("Image1");
  QWidget* image2 = findChild<QToolButton*>("Image2");
  QWidget* image3 = findChild<QToolButton*>("Image3");
  QWidget* image5 = findChild<QToolButton*>("Image5");

  // Layout: the person above, the death in its frame, the buttons and the legend below.
  auto* person = new QGridLayout;
  person->addWidget(Caption("Cognome *", this, cognome), 0, 0);
  person->addWidget(cognome, 0, 1, 1, 4);
  person->addWidget(image1, 0, 5);
  person->addWidget(Caption("Nome *", this, nome), 1, 0);
  person->addWidget(nome, 1, 1, 1, 4);
  person->addWidget(image2, 1, 5);
  auto* sex = new QHBoxLayout;
  sex->addWidget(maschio);
  sex->addWidget(femmina);
  sex->addStretch();
  person->addWidget(Caption("Sesso *", this), 2, 0);
  person->addLayout(sex, 2, 1);
  auto* birth = new QHBoxLayout;
  birth->addWidget(Caption("Giorno **", this, giorno));
  birth->addWidget(giorno);
  birth->addWidget(Caption("Mese **", this, mese));
  birth->addWidget(mese);
  birth->addWidget(Caption("Anno *", this, anno));
  birth->addWidget(anno);
  birth->addStretch();
  for (QLineEdit* box : {giorno, mese}) box->setMaximumWidth(40);
  anno->setMaximumWidth(60);
  person->addWidget(Caption("Data di Nascita:", this), 3, 0);
  person->addLayout(birth, 3, 1, 1, 4);
  person->addWidget(Caption("Comune Italiano     di Nascita **", this, comune_it), 4, 0);
  person->addWidget(comune_it, 4, 1, 1, 4);
  person->addWidget(Caption("Comune Straniero  di Nascita", this, comune_st), 5, 0);
  person->addWidget(comune_st, 5, 1, 1, 4);
  person->addWidget(image4_, 5, 5);
  person->addWidget(Caption("Nazione di Nascita *", this, stato), 6, 0);
  person->addWidget(stato, 6, 1, 1, 4);
  person->addWidget(Caption("Codice Fiscale **", this, codice_fiscale), 7, 0);
  person->addWidget(codice_fiscale, 7, 1, 1, 4);
  person->addWidget(Caption("Nome    Padre", this, paternita), 8, 0);
  person->addWidget(paternita, 8, 1, 1, 4);
  person->addWidget(image3, 8, 5);

  auto* death = new QGridLayout(decesso);
  death->addWidget(Caption("Data Decesso *", decesso, data_decesso), 0, 0);
  death->addWidget(data_decesso, 0, 1);
  death->addWidget(image5, 0, 2);
  data_decesso->setMaximumWidth(110);
  death->addWidget(Caption("Nazione Decesso *", decesso, stato_d), 1, 0);
  death->addWidget(stato_d, 1, 1, 1, 3);
  death->addWidget(Caption("Comune Italiano Decesso ***", decesso, comune_itd), 2, 0);
  death->addWidget(comune_itd, 2, 1, 1, 3);
  death->addWidget(Caption("Comune Straniero Decesso", decesso, comune_std), 3, 0);
  death->addWidget(comune_std, 3, 1, 1, 3);
  death->addWidget(image6_, 3, 4);
  death->addWidget(Caption("Atto di morte *", decesso, atto_morte), 4, 0);
  death->addWidget(atto_morte, 4, 1);
  death->addWidget(Caption("Atto di morte del Comune *", decesso, comune_atto), 5, 0);
  death->addWidget(comune_atto, 5, 1, 1, 3);
  death->addWidget(Caption("Anno Protocollo", decesso, anno_protocollo), 6, 0);
  death->addWidget(anno_protocollo, 6, 1);
  death->addWidget(Caption("Numero Protocollo", decesso, num_protocollo), 7, 0);
  death->addWidget(num_protocollo, 7, 1);
  atto_morte->setMaximumWidth(110);
  anno_protocollo->setMaximumWidth(60);
  num_protocollo->setMaximumWidth(110);

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
  // The picture buttons are named after the box they serve, the options after what they choose.
  const std::pair<QWidget*, QWidget*> served[] = {{image1, cognome},    {image2, nome},          {image3, paternita},
                                                  {image4_, comune_st}, {image6_, comune_std}, {image5, data_decesso}};
  for (const auto& [image, box] : served) {
    QString caption;
    for (const QLabel* label : box->parentWidget()->findChildren<QLabel*>()) {
      if (label->buddy() == box) caption = label->text();
    }
    image->setAccessibleName(AccessibleNameFor(image == image5 ? kCalendarName : kPaletteName, caption));
  }
  maschio->setAccessibleDescription(QtText(std::string(kSessoMaschile)));
  femmina->setAccessibleDescription(QtText(std::string(kSessoFemminile)));
  // Rows close together, so that the whole form fits a 1024×768 screen at 125%.
  for (QGridLayout* rows : {person, death}) rows->setVerticalSpacing(2);
  layout->setSpacing(4);
  layout->setContentsMargins(8, 6, 8, 6);

}

QLineEdit* InsertPersona::Box(Field field) const { return static_cast<QLineEdit*>(Control(field)); }

QComboBox* InsertPersona::Combo(Field field) const { return static_cast<QComboBox*>(Control(field)); }

std::optional<validation::Field> InsertPersona::FieldOf(const QComboBox* combo) const {
  for (const FieldInfo& info : validation::Fields()) {
    if (Control(info.field) == combo) return info.field;
  }
  return std::nullopt;
}

bool InsertPersona::IsItaly(const QString& country) const {
  return session_.tables().FindStatoExact(Utf8(country)).value == reference::kItalyCode;
}

void InsertPersona::LeaveCombo(QComboBox* combo) {
  const auto field = FieldOf(combo);
  if (!field) return;
  const bool country = validation::Info(*field).kind == FieldKind::kCountry;
  bool found = country ? RifStato(combo) : RifComune(combo);
  if (!found) {
    // A name typed without its marks (FORLI) is the table's own when only one name differs so.
    const std::string typed = Utf8(combo->currentText());
    const std::string like = country ? session_.tables().StatoLike(typed) : session_.tables().ComuneLike(typed);
    if (!like.empty()) {
      combo->setEditText(QtText(like));
      found = country ? RifStato(combo) : RifComune(combo);
    }
  }
  if (!found) SetCode(*field, {});
}

validation::SubjectForm InsertPersona::TypedEntry() const {
  validation::SubjectForm entry = Entry();
  if (entry.data_decesso == "__/__/____") entry.data_decesso.clear();  // the mask of a box that had the focus
  return entry;
}

bool InsertPersona::HasUnsavedTyping() const { return TypedEntry() != opened_; }

bool InsertPersona::RifComune(QComboBox* combo) {
  const auto field = FieldOf(combo);
  const auto lookup = session_.tables().FindComuneExact(Utf8(combo->currentText()));
  if (!field || lookup.value.empty()) return false;
  SetCode(*field, lookup.value);
  return true;
}

bool InsertPersona::RifStato(QComboBox* combo) {
  const auto field = FieldOf(combo);
  const auto lookup = session_.tables().FindStatoExact(Utf8(combo->currentText()));
  if (!field || lookup.value.empty()) return false;
  SetCode(*field, lookup.value);
  return true;
}

void InsertPersona::SetCode(Field field, std::string code) {
  codes_[static_cast<std::size_t>(field)] = std::move(code);
  emit edited();
  if (field == Field::kNazioneNascita) StatoNCodBox_Change();
  if (field == Field::kNazioneDecesso) StatoDCodBox_Change();
}

// One side of the Italy/abroad switch: in Italy the municipality combo is open and the foreign
// town grey, disabled and empty; abroad the municipality and its code are emptied and the combo is
// grey and disabled, while the foreign town and its palette button are open.
void InsertPersona::SwitchSide(const PlaceSide& side, bool italy) {
  QComboBox* country = Combo(side.country);
  QComboBox* comune = Combo(side.comune);
  QLineEdit* foreign = Box(side.foreign);
  if (Background(country) == kHighlightColour) SetBackground(country, kWhite);
  if (italy) {
    comune->setEnabled(true);
    SetBackground(comune, kWhite);
    foreign->clear();
    SetBackground(foreign, kGrey);
    foreign->setEnabled(false);
    side.palette->hide();
  } else {
    codes_[static_cast<std::size_t>(side.comune)].clear();
    comune->setEditText("");
    comune->setEnabled(false);
    SetBackground(comune, kGrey);
    SetBackground(foreign, kWhite);
    foreign->setEnabled(true);
    side.palette->show();
  }
}

void InsertPersona::BirthInItaly(bool italy) {
  SwitchSide({Field::kNazioneNascita, Field::kComuneNascita, Field::kComuneEsteroNascita, image4_}, italy);
}

void InsertPersona::DeathInItaly(bool italy) {
  SwitchSide({Field::kNazioneDecesso, Field::kComuneDecesso, Field::kComuneEsteroDecesso, image6_}, italy);
}

void InsertPersona::StatoNCodBox_Change() {
  BirthInItaly(codes_[static_cast<std::size_t>(Field::kNazioneNascita)] == reference::kItalyCode);
}

void InsertPersona::StatoDCodBox_Change() {
  DeathInItaly(codes_[static_cast<std::size_t>(Field::kNazioneDecesso)] == reference::kItalyCode);
}

// The values into the controls, in tab order; each side follows the code of its country.
void InsertPersona::Show(const validation::SubjectForm& form) {
  for (const FieldInfo& info : validation::Fields()) {
    const QString value = QtText(form.*info.value);
    switch (info.kind) {
      case FieldKind::kBox:
      case FieldKind::kDate: Box(info.field)->setText(value); break;
      case FieldKind::kPlace:
      case FieldKind::kCountry:
        Combo(info.field)->setEditText(value);
        SetCode(info.field, form.*info.code);
        break;
      case FieldKind::kSex:
        // Neither option checked takes switching off the exclusion a moment: a checked option of an
        // exclusive pair does not uncheck.
        for (const auto& [option, letter] : {std::pair{static_cast<QRadioButton*>(Control(Field::kSesso)), "M"},
                                             std::pair{femmina_, "F"}}) {
          option->setAutoExclusive(false);
          option->setChecked(value == letter);
          option->setAutoExclusive(true);
        }
        break;
    }
  }
  // The death side's places were written after its country: the side follows the country once more,
  // so that a place that does not belong to it (a row imported as it came) is not shown.
  StatoDCodBox_Change();
}

void InsertPersona::FillFromRow(const SubjectRow& row) {
  Show(validation::SubjectForm::FromRow(row));
  opened_ = TypedEntry();
}

void InsertPersona::Resume(const validation::SubjectForm& typed) {
  Show(typed);
  // A death date typed in part: each digit in its place under the mask, as the box showed it.
  if (typed.data_decesso.find('_') != std::string::npos) {
    SetDateBoxText(Box(Field::kDataDecesso), QtText(typed.data_decesso));
  }
}

std::optional<draft::OpenForm> InsertPersona::ForDraft() const {
  if (isHidden() || !ask_before_leaving_ || !HasUnsavedTyping()) return std::nullopt;
  return draft::OpenForm{nuovo_ ? 0 : session_.table().RowOf(editing_), TypedEntry().Cells()};
}

void InsertPersona::FocusColumn(int column) {
  const auto field = validation::FieldOfColumn(static_cast<std::size_t>(column));
  if (!field) return;  // the number and the sex: the focus stays where it is
  QWidget* target = Control(*field);
  // Deferred until the row has been written into the controls and the switches have run.
  QMetaObject::invokeMethod(this, [this, target] {
    if (target->isEnabled() && target->isVisible()) {
      activateWindow();
      target->setFocus();
    }
  }, Qt::QueuedConnection);
}

validation::SubjectForm InsertPersona::Entry() const {
  validation::SubjectForm form;
  for (const FieldInfo& info : validation::Fields()) {
    std::string& value = form.*info.value;
    switch (info.kind) {
      case FieldKind::kBox: value = Utf8(Box(info.field)->text()); break;
      case FieldKind::kDate: value = Utf8(DateBoxText(Box(info.field))); break;
      case FieldKind::kPlace:
      case FieldKind::kCountry:
        value = Utf8(Combo(info.field)->currentText());
        form.*info.code = codes_[static_cast<std::size_t>(info.field)];
        break;
      case FieldKind::kSex:
        // One letter assigned as such: GCC 12 warns wrongly about assigning a literal here at -O3.
        if (static_cast<QRadioButton*>(Control(Field::kSesso))->isChecked()) value.assign(1, 'M');
        if (femmina_->isChecked()) value.assign(1, 'F');
        break;
    }
  }
  return form;
}

void InsertPersona::Inserisci() {
  // A combo still holding the focus is left now, as a click on the button would leave it.
  if (auto* combo = qobject_cast<QComboBox*>(focusWidget())) LeaveCombo(combo);
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w->isEnabled() && (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w))) {
      SetBackground(w, kWhite);
    }
  }
  for (Field date : {Field::kGiorno, Field::kMese}) {
    Box(date)->setText(QtText(validation::PadDayOrMonth(Utf8(Box(date)->text()))));
  }

  const auto outcome = validation::Validate(Entry(), session_.clock().Today(), session_.tables().Snapshot());
  if (!outcome.accepted) {
    for (const auto& failure : outcome.failures) {
      for (const Field field : failure.fields) {
        SetBackground(Control(field), kHighlightColour);
        if (field == Field::kSesso) SetBackground(femmina_, kHighlightColour);
      }
    }
    Say(this, Icon::kWarning, QtText(validation::RejectionText(outcome.failures)));
    return;
  }

  // Each Italian place takes the code its name stood for on its day; where several municipalities bore
  // the name then, the operator says which (Annulla goes back to the form, nothing stored).
  SubjectRow dated = outcome.row;
  const auto places = session_.tables().Snapshot();
  for (const auto& choice : reference::DatePlaces(dated, places)) {
    const std::string chosen = ChoosePlace(dated[choice.name_column], choice.candidates, outcome.row[choice.code_column]);
    if (chosen.empty()) return;
    dated[choice.code_column] = chosen;
  }
  const std::vector<std::string> notes = reference::PlaceNotes(dated, places);

  int row = 0;
  if (nuovo_) {
    if (!model_.Append(dated)) {
      Say(this, Icon::kWarning, QtText(ui::TableFullText()));
      return;
    }
    row = session_.table().Count();
  } else {
    // The row the form was opened for, wherever it stands now; gone when it was deleted meanwhile.
    row = session_.table().RowOf(editing_);
    if (row == 0 || !model_.Overwrite(row, dated)) {
      Say(this, Icon::kWarning, QtText(std::string(ui::kEditedSubjectGone)));
      return;
    }
  }
  model_.PaintRow(row, kWhite);
  ask_before_leaving_ = false;  // stored: the typing is in the table, no more in the draft's form
  emit stored(row);
  if (!notes.empty()) {
    std::string said(ui::kNotaLuoghi);
    for (const auto& note : notes) said += "\n" + note;
    Say(this, Icon::kNone, QtText(said));
  }
  CloseWithoutQuestion();  // stored: nothing is left behind
}

std::string InsertPersona::ChoosePlace(const std::string& name, const std::vector<reference::NamePeriod>& candidates,
                                       const std::string& before) {
  QStringList items;
  int current = 0;
  for (const auto& candidate : candidates) {
    if (candidate.code == before) current = static_cast<int>(items.size());
    items << QtText(reference::CandidateText(name, candidate));
  }
  bool ok = false;
  const QString picked = QInputDialog::getItem(this, QtText(std::string(ui::kSceltaComuneTitolo)),
                                               QtText(std::string(ui::kSceltaComune)).arg(QtText(name)), items, current,
                                               false, &ok);
  const auto at = items.indexOf(picked);
  return ok && at >= 0 ? candidates[static_cast<std::size_t>(at)].code : std::string();
}

void InsertPersona::Cancella() {
  for (QWidget* w : findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      SetBackground(w, kWhite);
    }
  }
  for (QRadioButton* option : {static_cast<QRadioButton*>(Control(Field::kSesso)), femmina_}) {
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
  }
  Box(Field::kDataDecesso)->setInputMask("");  // the mask comes back with the next focus
  codes_ = {};
  Show(validation::SubjectForm::New());
}

bool InsertPersona::ConfirmLeaving() {
  if (!ask_before_leaving_ || !HasUnsavedTyping()) return true;
  ask_before_leaving_ = Say(this, Icon::kWarning, QtText(draft::UnsavedFormQuestion(draft::Leaving::kClose)),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes;
  return !ask_before_leaving_;
}

void InsertPersona::CloseWithoutQuestion() {
  ask_before_leaving_ = false;
  close();
}

void InsertPersona::reject() {
  if (ConfirmLeaving()) QDialog::reject();
}

void InsertPersona::closeEvent(QCloseEvent* event) {
  if (!ConfirmLeaving()) {
    event->ignore();
    return;
  }
  for (Diacritici* palette : findChildren<Diacritici*>()) palette->close();
  QDialog::closeEvent(event);
}

}  // namespace nerovale::ui
