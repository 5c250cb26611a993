#pragma once

#include <QMainWindow>
#include <QPointer>

#include <optional>

#include "core/draft.h"
#include "output/notice_xml.h"
#include "ui/app_state.h"
#include "ui/subject_table_model.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;

namespace nerovale::ui {

class AvvisoTabella;
class Attesa;
class CalendarDialog;
class CreaFiles;
class DatiUtente;
class DraftKeeper;
class Diacritici;
class FrmSplash;
class ImportaFile;
class InsertPersona;

// The main window: the sender, the notice number and date, the grid of subjects, and the buttons
// that start every other window. It owns the table through the shared state.
class Principale final : public QMainWindow {
  Q_OBJECT

 public:
  explicit Principale(AppState& state, QWidget* parent = nullptr);
  ~Principale() override;

  // The window's load: config.ini, the empty table, the sender, then the splash or the first-start dialog.
  void Start();

  AppState& state() noexcept { return state_; }
  SubjectTableModel& model() noexcept { return *model_; }
  QTableView* grid() const noexcept { return grid_; }

  // The public values that the other windows read and write.
  int progressivo() const noexcept { return state_.table.Count(); }
  int indiceSoggetti = 0;
  int colonnaCorrente = 0;

  // The grid's current cell, in the grid's own numbers (row 0 the captions, column 0 the numbers).
  int CurrentRow() const;
  int CurrentColumn() const;
  void SetCurrentCell(int row, int column);

  void CreaTab1();
  void NuovaComunicazione();
  // "Nuova Comunicazione" chosen from the menu: subjects not yet in a validated notice go only
  // when the operator confirms.
  void AskNuovaComunicazione();
  void PaintRow(int row, const QColor& background);
  void DeleteSubjectRow();
  void EditSubjectRow();
  void NewSubject();
  // Empties the table (prog 0) or keeps its first prog rows; prog is increased by one when not 0.
  void EraseTable(int& prog);

  // Block copy and paste of grid cells through the system clipboard; missing bounds come from the
  // grid's current cell and selection.
  void CopyFromGrid(std::optional<int> start_row = {}, std::optional<int> end_row = {},
                    std::optional<int> start_col = {}, std::optional<int> end_col = {});
  [[nodiscard]] bool PasteToGrid(std::optional<int> start_row = {}, std::optional<int> start_col = {});

  // "Crea File XML" and the tick of Timer1.
  void RequestXml();
  void CheckImportedTable();
  // Whether the table, the notice number and date and the sender are still what the last check
  // passed; the save dialog writes only then, or after CheckAgain, which runs the same checks at
  // once and answers whether they passed.
  bool StillAsChecked() const;
  bool CheckAgain();

  // The notice number and date as the two boxes show them.
  CommunicationHeader HeaderAsShown() const;

  // The draft of the notice in progress, and the question about one found at start (after the
  // splash).
  DraftKeeper& draftKeeper() noexcept { return *draft_; }
  void OfferRecovery();
  // A notice written from the table at this revision passed the schema validation.
  void NoticeValidated(std::uint64_t revision);
  // A stop signal (the session ends, a kill): the draft is saved as it stands, every window closes
  // and the program ends, without a question; the draft is offered at the next start.
  void StopBySignal();
  // Long work under way on the window thread (a notice written and read back), which lets the event
  // loop run now and then: no window may close under it.
  void SetBusy(bool busy) { busy_ = busy; }

  output::Sender Sender() const;
  void ShowSender();
  // The text of the notice date box as it shows it ("__/__/____" once it has had the focus).
  QString NoticeDateText() const;
  void SetNoticeDate(const QString& date);

  void OpenCreaFiles();
  void OpenImportaFile();
  void OpenCalendar();
  void OpenAvvisoTabella();
  void OpenDatiUtente(bool modifica);
  void ShowSplash();
  void OpenGuida();

  InsertPersona* subjectForm() const;
  CreaFiles* creaFiles() const;
  ImportaFile* importaFile() const;
  AvvisoTabella* avvisoTabella() const;
  DatiUtente* datiUtente() const;
  FrmSplash* splash() const;
  Attesa* attesa() const;
  Diacritici* OpenPalette(int target, QLineEdit* box);
  CalendarDialog* OpenCalendarFor(const QString& current_cal, QLineEdit* box);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void ShowTableArea(bool visible);
  // The table area shown and the number and date open for typing, the table left as it is.
  void MakeTableUsable();
  void Restore(draft::Draft found);
  // The question before subjects not in a validated notice are dropped; true for "Sì".
  bool ConfirmDiscarding(draft::Discarding what);
  // A subject form with unsaved typing comes to the front instead of being replaced.
  bool RaiseOpenForm();
  bool CheckHeaderAndSender();
  bool CheckTable();
  void RememberChecked();

  struct Checked {
    std::uint64_t table_revision;
    CommunicationHeader header;
    output::Sender sender;
  };
  std::optional<Checked> checked_;

  AppState& state_;
  SubjectTableModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QLineEdit* sede_comune_ = nullptr;
  QLineEdit* codice_comune_ = nullptr;
  QLineEdit* cognome_referente_ = nullptr;
  QLineEdit* nome_referente_ = nullptr;
  QLineEdit* numero_ = nullptr;
  QLineEdit* data_ = nullptr;
  QGroupBox* frame_soggetti_ = nullptr;
  QLabel* legend_ = nullptr;
  QPushButton* inserisci_ = nullptr;
  QPushButton* modifica_ = nullptr;
  QPushButton* elimina_ = nullptr;
  QPushButton* importa_ = nullptr;
  QPushButton* elimina_tutti_ = nullptr;
  QPushButton* crea_xml_ = nullptr;
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;
  DraftKeeper* draft_ = nullptr;
  bool recovery_pending_ = false;
  bool stopping_ = false;
  bool busy_ = false;

  QPointer<InsertPersona> insert_persona_;
  QPointer<CreaFiles> crea_files_;
  QPointer<ImportaFile> importa_file_;
  QPointer<AvvisoTabella> avviso_tabella_;
  QPointer<DatiUtente> dati_utente_;
  QPointer<FrmSplash> splash_;
  QPointer<Attesa> attesa_;
  QPointer<Diacritici> palette_;
  QPointer<CalendarDialog> calendar_;
};

}  // namespace nerovale::ui
