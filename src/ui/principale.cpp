#include "ui/principale.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

#include "core/grid_clip.h"
#include "core/system_files.h"
#include "register/register_texts.h"
#include "ui/busy_scope.h"
#include "ui/dati_utente.h"
#include "ui/draft_keeper.h"
#include "ui/field_filter.h"
#include "ui/file_dialogs.h"
#include "ui/insert_persona.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/register_window.h"
#include "ui/signing_window.h"
#include "ui/small_windows.h"
#include "ui/window_slot.h"
#include "ui/window_size.h"
#include "ui/window_texts.h"
#include "validation/sender_check.h"
#include "validation/table_check.h"

namespace nerovale::ui {
namespace {

QLabel* Buddy(QLabel* label, QWidget* control) {
  label->setBuddy(control);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const QColor& face) {
  auto* button = Named(new QPushButton(caption, parent), name);
  button->setFlat(false);
  SetBackground(button, face);
  return button;
}

// Enter on the grid edits the subject; other typed characters are ignored (the view would jump to a
// matching row); the arrows and page keys still move the current cell. Tab, Shift+Tab and the same
// with Ctrl leave the grid for the controls around it.
class GridKeys final : public QObject {
 public:
  GridKeys(QObject* parent, std::function<void()> enter) : QObject(parent), enter_(std::move(enter)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        enter_();
        return true;
      }
      if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier)) {
        QKeyEvent plain(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ControlModifier);
        QCoreApplication::sendEvent(watched, &plain);
        return true;
      }
      if (!key->text().isEmpty() && key->text().at(0).isPrint()) return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> enter_;
};

}  // namespace

Principale::Principale(session::NoticeSession& session, QWidget* parent) : QMainWindow(parent), session_(session) {
  setObjectName("Principale");
  setWindowTitle(" Nerovale");
  model_ = new SubjectTableModel(session_.table(), this);
  BuildControls();
  draft_ = new DraftKeeper(
      session_, *model_, [this] { return HeaderAsShown(); },
      [this] { return insert_persona_ ? insert_persona_->ForDraft() : std::nullopt; }, this);
  for (QLineEdit* box : {numero_, data_}) connect(box, &QLineEdit::textChanged, draft_, &DraftKeeper::Changed);
}

Principale::~Principale() {
  // A window that goes without being closed (its close refused for the typing of the open entry
  // form) takes the form down closed first, never with a control still holding the focus; the draft
  // keeps the form as it was last written.
  if (insert_persona_) {
    insert_persona_->disconnect(this);
    insert_persona_->disconnect(draft_);
    insert_persona_->CloseWithoutQuestion();
  }
}

InsertPersona* Principale::subjectForm() const { return insert_persona_; }
CreaFiles* Principale::creaFiles() const { return crea_files_; }
ImportaFile* Principale::importaFile() const { return importa_file_; }
AvvisoTabella* Principale::avvisoTabella() const { return avviso_tabella_; }
DatiUtente* Principale::datiUtente() const { return dati_utente_; }
FrmSplash* Principale::splash() const { return splash_; }
Attesa* Principale::attesa() const { return attesa_; }

void Principale::BuildControls() {
  // Each menu and item opens with Alt and its underlined letter (Alt+N, Alt+C, Alt+?). The menu of the
  // notice's files also checks a signed one.
  auto* nuovo = Named(menuBar()->addMenu("&Nuovo"), "Nuovo");
  auto* cg = Named(nuovo->addAction("&Nuova Comunicazione"), "CG");
  auto* verifica = Named(nuovo->addAction("&Verifica firma"), "verificaFirma");
  auto* config = Named(menuBar()->addMenu("&Configurazione"), "config");
  auto* mod_config = Named(config->addAction("&Modifica Configurazione Utente"), "modConfig");
  auto* registro = Named(menuBar()->addMenu("&Registro"), "registroMenu");
  auto* apri_registro = Named(registro->addAction("&Registro delle comunicazioni"), "registro");
  auto* help = Named(menuBar()->addMenu("&?"), "help");
  auto* guida = Named(help->addAction("&Guida"), "guida");

  auto* central = new QWidget(this);
  setCentralWidget(central);

  auto* sender_frame = Named(new QGroupBox("Dati Comune e Referente", central), "XPFrame1");
  sede_comune_ = Named(new QLineEdit(sender_frame), "TxtSedeComune");
  codice_comune_ = Named(new QLineEdit(sender_frame), "TxtCodiSedeComune");
  cognome_referente_ = Named(new QLineEdit(sender_frame), "TxtCognomeReferente");
  nome_referente_ = Named(new QLineEdit(sender_frame), "TxtNomeReferente");
  for (QLineEdit* box : {sede_comune_, codice_comune_, cognome_referente_, nome_referente_}) {
    box->setEnabled(false);
    ShowOnButtonFace(box);
  }
  codice_comune_->setMaximumWidth(70);
  codice_comune_->setAccessibleName(QtText(std::string(kCodiceComuneName)));
  auto* sender_grid = new QGridLayout(sender_frame);
  sender_grid->addWidget(Buddy(Named(new QLabel("Comune", sender_frame), "Label1"), sede_comune_), 0, 0);
  sender_grid->addWidget(sede_comune_, 0, 1);
  sender_grid->addWidget(codice_comune_, 0, 2);
  sender_grid->addWidget(Buddy(Named(new QLabel("Cognome Referente", sender_frame), "Label2"), cognome_referente_), 1, 0);
  sender_grid->addWidget(cognome_referente_, 1, 1, 1, 2);
  sender_grid->addWidget(Buddy(Named(new QLabel("Nome Referente", sender_frame), "Label3"), nome_referente_), 2, 0);
  sender_grid->addWidget(nome_referente_, 2, 1, 1, 2);

  auto* notice_frame = Named(new QGroupBox("Dati Comunicazione", central), "XPFrame3");
  numero_ = Named(new QLineEdit(notice_frame), "TxtNumeroRichiesta");
  data_ = Named(new QLineEdit(notice_frame), "MaskEdBox1");
  InstallFilter(numero_, validation::filters::kNumeroComunicazione);
  InstallDateMask(data_);
  for (QLineEdit* box : {numero_, data_}) {
    box->setEnabled(false);
    SetBackground(box, kGrey);
    box->setMaximumWidth(120);
  }
  auto* calendar = Named(new QToolButton(notice_frame), "Image1");
  calendar->setIcon(CalendarIcon());
  calendar->setToolTip("Calendario");
  calendar->setAccessibleName(AccessibleNameFor(kCalendarName, "Data"));
  auto* notice_grid = new QGridLayout(notice_frame);
  notice_grid->addWidget(Buddy(Named(new QLabel("Numero", notice_frame), "Label4"), numero_), 0, 0);
  notice_grid->addWidget(numero_, 0, 1);
  notice_grid->addWidget(Buddy(Named(new QLabel("Data", notice_frame), "Label5"), data_), 1, 0);
  notice_grid->addWidget(data_, 1, 1);
  notice_grid->addWidget(calendar, 1, 2);
  notice_grid->addWidget(Named(new QLabel("Tutti i campi sono obbligatori", notice_frame), "Label7"), 2, 0, 1, 3);

  frame_soggetti_ = Named(new QGroupBox("Dati Soggetti", central), "XPFrame2");
  grid_ = Named(new QTableView(frame_soggetti_), "MSFlexGrid1");
  grid_->setModel(model_);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setTabKeyNavigation(false);
  grid_->setAccessibleName(QtText(std::string(kGridName)));
  grid_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid_->installEventFilter(new GridKeys(this, [this] { EditSubjectRow(); }));
  auto* grid_layout = new QVBoxLayout(frame_soggetti_);
  grid_layout->addWidget(grid_);

  legend_ = Named(new QLabel("* Campi obbligatori , ** Obbligatorio se nato in Italia , *** Obbligatorio se deceduto "
                             "in Italia",
                             central),
                  "Label6");
  const QColor table_face(225, 225, 225);
  const QColor main_face(245, 245, 245);
  inserisci_ = Button(central, "Command3", "Inserisci Soggetto", table_face);
  modifica_ = Button(central, "Command4", "Modifica Soggetto", table_face);
  elimina_ = Button(central, "Command5", "Elimina Soggetto", table_face);
  importa_ = Button(central, "Command7", "Importa da file", table_face);
  elimina_tutti_ = Button(central, "Command6", "Elimina tutti i Soggetti", table_face);
  crea_xml_ = Button(central, "Command1", "Crea File XML", main_face);
  auto* esci = Button(central, "Command2", "Esci", main_face);
  QFont bold = crea_xml_->font();
  bold.setBold(true);
  crea_xml_->setFont(bold);
  crea_xml_->setEnabled(false);

  auto* top = new QHBoxLayout;
  top->addWidget(sender_frame, 3);
  top->addWidget(notice_frame, 1);
  auto* table_buttons = new QHBoxLayout;
  for (QPushButton* b : {inserisci_, modifica_, elimina_, importa_, elimina_tutti_}) table_buttons->addWidget(b);
  auto* main_buttons = new QHBoxLayout;
  main_buttons->addStretch();
  main_buttons->addWidget(crea_xml_);
  main_buttons->addWidget(esci);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(top);
  layout->addWidget(frame_soggetti_, 1);
  layout->addWidget(legend_);
  layout->addLayout(table_buttons);
  layout->addLayout(main_buttons);
  ShowTableArea(false);

  timer1_ = Named(new QTimer(this), "Timer1");
  timer1_->setInterval(500);
  timer2_ = Named(new QTimer(this), "Timer2");
  timer2_->setInterval(2700);
  connect(timer1_, &QTimer::timeout, this, &Principale::CheckImportedTable);
  connect(timer2_, &QTimer::timeout, this, [this] {
    timer2_->stop();
    if (splash_) splash_->close();
  });

  connect(cg, &QAction::triggered, this, &Principale::AskNuovaComunicazione);
  connect(verifica, &QAction::triggered, this, [this] { VerifySignedFile(this, session_); });
  connect(mod_config, &QAction::triggered, this, [this] { OpenDatiUtente(true); });
  connect(guida, &QAction::triggered, this, &Principale::OpenGuida);
  connect(apri_registro, &QAction::triggered, this, [this] {
    auto* window = new Registro(session_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
  });
  connect(calendar, &QToolButton::clicked, this, [this] {
    if (!data_->isEnabled()) return;
    data_->setFocus();
    OpenCalendar("principale", data_);
  });
  connect(grid_, &QTableView::clicked, this, [this] { indice_soggetti_ = CurrentRow(); });
  connect(grid_, &QTableView::doubleClicked, this, &Principale::EditSubjectRow);
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    colonna_corrente_ = CurrentColumn();
    indice_soggetti_ = CurrentRow();
  });
  connect(inserisci_, &QPushButton::clicked, this, &Principale::NewSubject);
  connect(modifica_, &QPushButton::clicked, this, &Principale::EditSubjectRow);
  connect(elimina_, &QPushButton::clicked, this, &Principale::DeleteSubjectRow);
  connect(importa_, &QPushButton::clicked, this, &Principale::OpenImportaFile);
  connect(elimina_tutti_, &QPushButton::clicked, this, &Principale::OpenAvvisoTabella);
  connect(crea_xml_, &QPushButton::clicked, this, &Principale::RequestXml);
  connect(esci, &QPushButton::clicked, this, &QWidget::close);
  OpenFitted(this, {1100, 650});  // a 1024×768 screen gets a narrower window, with the same layout
}

void Principale::ShowTableArea(bool visible) {
  for (QWidget* w : std::initializer_list<QWidget*>{frame_soggetti_, grid_, legend_, inserisci_, modifica_, elimina_,
                                                    elimina_tutti_, importa_}) {
    w->setVisible(visible);
  }
}

void Principale::Start() {
  const Status tables = session_.tables().Check();
  if (!tables) Say(this, Icon::kWarning, QtText(tables.message()));  // once; the program goes on
  if (session_.ReadConfig()) {
    crea_xml_->setEnabled(true);
    importa_->setEnabled(true);
    NuovaComunicazione();
  }
  // The values read before a gap in a short config.ini are the sender all the same.
  ShowSender();
  // A draft left by an earlier run is offered once the splash has gone; without one, saving starts now.
  std::error_code error;
  const auto found = std::filesystem::symlink_status(draft_->File(), error).type();
  recovery_pending_ = found != std::filesystem::file_type::not_found;
  if (!recovery_pending_) draft_->Begin();
  if (session_.config().HasReferente()) {
    ShowSplash();
  } else {
    hide();
    OpenDatiUtente(false);
  }
}

void Principale::ShowSender() {
  sede_comune_->setText(QtText(session_.NomeComune()));
  codice_comune_->setText(QtText(session_.config().CodiceComune));
  cognome_referente_->setText(QtText(session_.config().CognomeReferente));
  nome_referente_->setText(QtText(session_.config().NomeReferente));
}

void Principale::CreaTab1() {
  model_->Clear();
  const double dpi = screen() != nullptr ? screen()->logicalDotsPerInchX() : 96.0;
  const auto pixels = [dpi](int twips) { return static_cast<int>(twips * dpi / 1440.0 + 0.5); };
  grid_->verticalHeader()->setMinimumWidth(pixels(kColumnWidthsTwips[0]));
  for (std::size_t c = 1; c < kColumnCount; ++c) {
    grid_->setColumnWidth(static_cast<int>(c) - 1, pixels(kColumnWidthsTwips[c]));
  }
  indice_soggetti_ = 0;
  colonna_corrente_ = 22;
}

void Principale::NuovaComunicazione() {
  CreaTab1();
  MakeTableUsable();
  session_.SetImportoFile(false);
  ShowSender();
  ProposeNumber();
}

void Principale::ProposeNumber() {
  if (!numero_->text().isEmpty()) return;
  const auto proposed = session_.ProposedNumber();
  SayRegisterNote(proposed.note);
  numero_->setText(QtText(proposed.value));  // a register that cannot be read proposes nothing
}

void Principale::SayRegisterNote(const std::string& note) {
  if (!note.empty()) Say(this, Icon::kWarning, QtText(note));
}

bool Principale::ConfirmNumber() {
  const auto used = session_.NumberUsed();
  SayRegisterNote(used.note);
  if (!used.status) {
    Say(this, Icon::kWarning, QtText(registry::NotGuardedText(used.status.message())));
    return true;
  }
  if (!used.value) return true;
  return Say(this, Icon::kWarning, QtText(registry::NumberUsedQuestion(session_.header().numero, *used.value)),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool Principale::ConfirmRepeats() {
  const auto repeats = session_.RepeatedSubjects();
  SayRegisterNote(repeats.note);
  if (!repeats.status) {
    Say(this, Icon::kWarning, QtText(registry::NotGuardedText(repeats.status.message())));
    return true;
  }
  if (repeats.value.empty()) return true;
  for (const auto& repeat : repeats.value) {
    model_->PaintRow(repeat.row, kRepeatedRowColour, QtText(registry::RepeatedTip(repeat)));
  }
  SetCurrentCell(repeats.value.front().row, 1);
  return Say(this, Icon::kWarning, QtText(registry::RepeatedSubjectsQuestion(repeats.value, session_.table())),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void Principale::MakeTableUsable() {
  if (!crea_xml_->isEnabled()) {
    crea_xml_->setEnabled(true);
    importa_->setEnabled(true);
  }
  ShowTableArea(true);
  for (QLineEdit* box : {numero_, data_}) {
    box->setEnabled(true);
    SetBackground(box, kWhite);
  }
}

bool Principale::ConfirmDiscarding(draft::Discarding what) {
  if (!draft_->HasUnsavedSubjects()) return true;
  const auto answer = Say(this, Icon::kWarning, QtText(draft::DiscardQuestion(progressivo(), what)),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  return answer == QMessageBox::Yes;
}

bool Principale::ConfirmLeavingForm(draft::Leaving what) {
  if (!insert_persona_ || !insert_persona_->HasUnsavedTyping()) return true;
  return Say(this, Icon::kWarning, QtText(draft::UnsavedFormQuestion(what)), QMessageBox::Yes | QMessageBox::No,
             QMessageBox::No) == QMessageBox::Yes;
}

void Principale::AskNuovaComunicazione() {
  if (!ConfirmLeavingForm(draft::Leaving::kNewNotice)) return;
  if (insert_persona_) insert_persona_->CloseWithoutQuestion();
  const bool unsaved = draft_->HasUnsavedSubjects();
  if (!ConfirmDiscarding(draft::Discarding::kNewNotice)) return;
  NuovaComunicazione();
  if (unsaved) draft_->Discard();
}

CommunicationHeader Principale::HeaderAsShown() const { return {Utf8(numero_->text()), Utf8(NoticeDateText())}; }

void Principale::OfferRecovery() {
  if (!recovery_pending_) return;
  recovery_pending_ = false;
  const auto file = draft_->File();
  // A draft or config.ini write killed half way left its temporary beside the file: the window holds
  // the folder's lock, so no living writer owns one.
  files::RemoveLeftoverTemporaries(file);
  files::RemoveLeftoverTemporaries(session_.ConfigFile());
  draft::Reading found = draft::Read(file);
  if (found.kind == draft::Reading::Kind::kUnusable) {
    // Reported plainly and put aside, never deleted; the notice starts empty.
    const auto moved = draft::MoveAside(file, draft::Aside::kUnusable, draft_->Now());
    if (!moved.status) draft_->KeepDamaged();
    Say(this, Icon::kWarning, QtText(draft::UnusableText(found.fault, moved)));
  } else if (found.kind == draft::Reading::Kind::kDraft) {
    draft_->Found();  // without subjects or form it is simply replaced by the next save
    const int count = static_cast<int>(found.draft.rows.size());
    if (count > 0 || found.draft.form) {
      const auto answer =
          Say(this, Icon::kNone,
              QtText(draft::RecoveryQuestion(count, found.draft.saved, found.draft.form.has_value())),
              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
      if (stopping_) return;  // the question closed by a stop signal is no answer: the draft stays for next time
      if (answer == QMessageBox::Yes) {
        Restore(std::move(found.draft));
      } else if (const auto moved = draft::MoveAside(file, draft::Aside::kNotRestored, draft_->Now());
                 moved.status) {
        draft_->Gone();
      } else {
        Say(this, Icon::kWarning, QtText(draft::NotMovedText(moved)));
      }
    }
  }
  draft_->Begin();
}

void Principale::Restore(draft::Draft found) {
  MakeTableUsable();
  std::vector<QColor> colours;
  colours.reserve(found.colours.size());
  for (const draft::Colour colour : found.colours) colours.push_back(QColor::fromRgb(colour));
  model_->Replace(std::move(found.rows), std::move(colours));
  numero_->setText(QtText(found.header.numero));
  SetDateBoxText(data_, QtText(found.header.data));
  // No check of this run has seen these rows: the whole table is checked before a notice, as after
  // an import.
  session_.SetImportoFile(true);
  indice_soggetti_ = 0;
  if (found.form) ReopenForm(*found.form);
}

void Principale::ReopenForm(const draft::OpenForm& form) {
  // The row it was opened for, filled from the table so that the typing compares with the row as it
  // is; a row that is not in the table any more opens as a new subject, the typing kept all the same.
  const int row = form.row >= 1 && form.row <= progressivo() ? form.row : 0;
  if (row != 0) SetCurrentCell(row, 1);
  OpenForm(row);
  if (row != 0) insert_persona_->FillFromRow(session_.table().Row(row));
  insert_persona_->Resume(validation::SubjectForm::FromCells(form.cells));
}

int Principale::CurrentRow() const {
  const QModelIndex current = grid_->currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

int Principale::CurrentColumn() const {
  const QModelIndex current = grid_->currentIndex();
  return current.isValid() ? current.column() + 1 : colonna_corrente_;
}

void Principale::SetCurrentCell(int row, int column) {
  if (row >= 1 && row <= progressivo() && column >= 1) {
    grid_->setCurrentIndex(model_->index(row - 1, column - 1));
  } else {
    grid_->setCurrentIndex({});
  }
  colonna_corrente_ = column;
  indice_soggetti_ = row;
}

void Principale::CopyFromGrid(int start_row, int end_row, int start_col, int end_col) {
  const std::string clip = gridclip::CopyBlock(session_.table(), start_row, end_row, start_col, end_col);
  QGuiApplication::clipboard()->clear();
  QGuiApplication::clipboard()->setText(QtText(clip));
}

bool Principale::PasteToGrid(std::optional<int> start_row, std::optional<int> start_col) {
  const std::string clip = Utf8(QGuiApplication::clipboard()->text());
  return model_->Paste(clip, start_row.value_or(CurrentRow()), start_col.value_or(CurrentColumn()));
}

void Principale::DeleteSubjectRow() {
  const int count = progressivo();
  const int r = indice_soggetti_;
  if (count == 0 || r < 1 || r > count) return;  // never the caption row
  const auto answer = Say(this, Icon::kWarning, QString("Eliminare la riga numero %1 ?").arg(r),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes) return;
  // The rows below move up one place with their colours, straight in the table; the clipboard
  // still receives them in the grid clipboard format, as it always has.
  if (r != count) CopyFromGrid(r + 1, count, 1, static_cast<int>(kColumnCount) - 1);
  if (!model_->Remove(r)) return;  // r was checked above: cannot happen
  indice_soggetti_ = progressivo();
}

bool Principale::RaiseOpenForm() {
  if (!insert_persona_ || !insert_persona_->HasUnsavedTyping()) return false;
  insert_persona_->raise();
  insert_persona_->activateWindow();
  return true;
}

void Principale::NewSubject() {
  if (RaiseOpenForm()) return;  // the typing in it is never thrown away
  if (progressivo() >= SubjectTable::kMaxSubjects) {
    Say(this, Icon::kWarning, QtText(ui::TableFullText()));
    return;
  }
  OpenForm(0);
}

void Principale::EditSubjectRow() {
  if (progressivo() == 0 || indice_soggetti_ < 1 || indice_soggetti_ > progressivo()) return;
  if (RaiseOpenForm()) return;
  const int row = indice_soggetti_;
  const int column = colonna_corrente_;
  SetCurrentCell(row, column < 1 ? 1 : column);
  OpenForm(row);
  insert_persona_->FocusColumn(column);
  insert_persona_->FillFromRow(session_.table().Row(row));
  SetCurrentCell(row, 1);
}

void Principale::OpenForm(int row) {
  OpenOnce(insert_persona_, session_, *model_, row, this);
  connect(insert_persona_, &InsertPersona::stored, this, [this](int stored) { SetCurrentCell(stored, 1); });
  connect(insert_persona_, &InsertPersona::edited, draft_, &DraftKeeper::Changed);
  // Closed by the operator, the form leaves the draft at once; closed by a stop signal, it stays in
  // the draft for the next start.
  connect(insert_persona_, &QDialog::finished, this, [this] {
    if (!stopping_) draft_->FormLeft();
  });
}

void Principale::EraseTable(int& prog) {
  if (prog != 0) {
    const int kept = prog;
    ++prog;
    model_->Truncate(kept);
    SetCurrentCell(kept, 1);
  } else {
    CreaTab1();
    SetCurrentCell(0, 1);
    session_.SetImportoFile(false);
  }
  grid_->setFocus();
  if (avviso_tabella_) avviso_tabella_->close();
}

QString Principale::NoticeDateText() const { return DateBoxText(data_); }

void Principale::SetNoticeDate(const QString& date) { data_->setText(date); }

void Principale::RequestXml() {
  if (crea_files_) crea_files_->close();
  if (!ConfirmLeavingForm(draft::Leaving::kNotice)) return;
  if (!CheckHeader() || !ConfirmNumber()) return;
  if (!session_.importoFile()) {
    if (ConfirmRepeats()) OpenCreaFiles();
    return;
  }
  attesa_ = new Attesa(this);
  attesa_->show();
  timer1_->start();
}

void Principale::CheckImportedTable() {
  timer1_->stop();
  if (CheckTable() && ConfirmRepeats()) OpenCreaFiles();
}

bool Principale::CheckHeader() {
  const session::CheckOutcome outcome = session_.CheckHeader(HeaderAsShown());
  if (outcome.failed == session::CheckOutcome::Failed::kSender) {
    Say(this, Icon::kWarning,
        QtText(validation::SenderFaultText(outcome.sender_faults, ui::kSenderRemedyWindow)));
  } else if (outcome.failed == session::CheckOutcome::Failed::kHeader) {
    Say(this, Icon::kCritical, QtText(outcome.header_warning));
  } else if (outcome.failed == session::CheckOutcome::Failed::kRows) {
    ShowFailedRows(outcome.rows);  // deaths after the notice date
    indice_soggetti_ = progressivo();
  }
  return outcome.ok();
}

void Principale::ShowFailedRows(const std::vector<validation::FailedRow>& failed) {
  std::vector<int> rows;
  for (const auto& row : failed) {
    model_->PaintRow(row.row, kErrorRowColour, QtText(validation::FailedRowReasons(row)));  // the reasons over the row
    rows.push_back(row.row);
  }
  if (attesa_) attesa_->close();
  if (!rows.empty()) Say(this, Icon::kWarning, QtText(validation::ReportFailedRows(rows)));
}

bool Principale::CheckTable() {
  SetCurrentCell(1, 1);
  const session::CheckOutcome outcome = session_.CheckRows();
  ShowFailedRows(outcome.rows);
  SetCurrentCell(1, 1);
  indice_soggetti_ = progressivo();
  return outcome.ok();
}

// Rows imported, edited or deleted, or a number, date or sender changed, since the checks: they run
// again, and a notice is written only from what they passed.
bool Principale::CheckedNow() {
  if (session_.StillAsChecked(HeaderAsShown())) return true;
  if (!CheckHeader() || !ConfirmNumber()) return false;
  if (!session_.importoFile()) return ConfirmRepeats();
  BusyScope busy(this);
  return CheckTable() && ConfirmRepeats();
}

void Principale::OpenCreaFiles() {
  OpenOnce(crea_files_, session_, [this] { return CheckedNow(); }, this);
  connect(crea_files_, &CreaFiles::noticeValidated, draft_, &DraftKeeper::NoticeValidated);
  connect(crea_files_, &CreaFiles::emptyTableAsked, this, [this] {
    int prog = 0;
    EraseTable(prog);
    numero_->clear();
    ProposeNumber();
  });
}

void Principale::OpenImportaFile() {
  OpenOnce(importa_file_, session_, *model_, this);
  connect(importa_file_, &ImportaFile::imported, this, [this] {
    SetCurrentCell(progressivo(), 1);
    grid_->setFocus();
  });
  connect(importa_file_, &ImportaFile::importFailed, this, [this] {
    int prog = progressivo();  // a copy: the count itself is not changed
    EraseTable(prog);
  });
}

void Principale::OpenAvvisoTabella() {
  if (progressivo() == 0) return;
  OpenOnce(avviso_tabella_, this);
  connect(avviso_tabella_, &AvvisoTabella::confirmed, this, [this] {
    int prog = 0;
    EraseTable(prog);
    draft_->Discard();  // the operator confirmed: the draft goes with the subjects
  });
}

void Principale::OpenDatiUtente(bool modifica) {
  OpenOnce(dati_utente_, session_, modifica, this);
  connect(dati_utente_, &DatiUtente::confirmed, this, &Principale::ShowSender);
  connect(dati_utente_, &DatiUtente::firstStartDone, this, [this] {
    show();
    ShowSplash();
  });
  connect(dati_utente_, &DatiUtente::leftFirstStart, this, &QWidget::close);
}

void Principale::ShowSplash() {
  splash_ = new FrmSplash(this);
  connect(splash_, &QDialog::finished, this, &Principale::OfferRecovery);
  splash_->show();
  timer2_->start();
}

void Principale::OpenGuida() {
  const auto manual = session_.places().manual;
  // The operator is told where the manual is when it is missing or no program opens it.
  if (!std::filesystem::is_regular_file(manual)) {
    Say(this, Icon::kWarning, QtText(ui::ManualMissingText(manual.string())));
  } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QtText(manual.string())))) {
    Say(this, Icon::kWarning, QtText(ui::ManualNotOpenedText(manual.string())));
  }
}

void Principale::StopBySignal() {
  stopping_ = true;
  // The windows close only from the main event loop, never under a caller that is still at work: a
  // message box still open is answered with its escape button, a notice being written stops at its
  // next block (BusyScope asks), and the closing comes once both are over.
  if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  if (BusyScope::IsBusy() || QApplication::activeModalWidget() != nullptr) {
    QTimer::singleShot(50, this, &Principale::StopBySignal);
    return;
  }
  close();
}

void Principale::closeEvent(QCloseEvent* event) {
  if (!stopping_ && !ConfirmLeavingForm(draft::Leaving::kClose)) {
    event->ignore();
    return;
  }
  const bool unsaved = !stopping_ && draft_->HasUnsavedSubjects();
  if (!stopping_ && !ConfirmDiscarding(draft::Discarding::kExit)) {
    event->ignore();
    return;
  }
  // Its typing left behind as asked above, the form closes before the last save; at a stop it closes
  // after it, its typing kept in the draft.
  if (!stopping_ && insert_persona_) insert_persona_->CloseWithoutQuestion();
  if (unsaved) {
    draft_->Discard();
  } else {
    draft_->SaveNow();
  }
  recovery_pending_ = false;  // a draft not yet offered stays for the next start; the splash closes without asking
  if (stopping_ && insert_persona_) insert_persona_->CloseWithoutQuestion();
  for (QWidget* w : std::initializer_list<QWidget*>{splash_, importa_file_, crea_files_,
                                                    avviso_tabella_, dati_utente_}) {
    if (w != nullptr) w->close();
  }
  event->accept();
  QCoreApplication::quit();
}

}  // namespace nerovale::ui
