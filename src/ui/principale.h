#pragma once

#include <QMainWindow>
#include <QPointer>

#include <optional>

#include "core/draft.h"
#include "validation/table_check.h"
#include "session/notice_session.h"
#include "ui/subject_table_model.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace nerovale::ui {

class AvvisoTabella;
class Attesa;
class CalendarDialog;
class CreaFiles;
class DatiUtente;
class DraftKeeper;
class FrmSplash;
class ImportaFile;
class InsertPersona;

// The main window: the sender, the notice number and date, the grid of subjects, and the buttons
// that start every other window. It drives the notice session: the other windows get what they work
// on (the session, the model) and tell it what happened through their signals.
class Principale final : public QMainWindow {
  Q_OBJECT

 public:
  explicit Principale(session::NoticeSession& session, QWidget* parent = nullptr);
  ~Principale() override;

  // The window's load: config.ini, the empty table, the sender, then the splash or the first-start dialog.
  void Start();

  session::NoticeSession& session() noexcept { return session_; }
  SubjectTableModel& model() noexcept { return *model_; }
  QTableView* grid() const noexcept { return grid_; }
  DraftKeeper& draftKeeper() noexcept { return *draft_; }

  int progressivo() const noexcept { return session_.table().Count(); }
  // The subject that "Modifica Soggetto" edits and "Elimina Soggetto" deletes: the grid's current row,
  // but the last row after a deletion or a check of the table.
  int indiceSoggetti() const noexcept { return indice_soggetti_; }
  // The grid's current cell, in the grid's own numbers (row 0 the captions, column 0 the numbers).
  int CurrentRow() const;
  int CurrentColumn() const;
  void SetCurrentCell(int row, int column);

  // The notice number and date as the two boxes show them.
  CommunicationHeader HeaderAsShown() const;
  QString NoticeDateText() const;
  void SetNoticeDate(const QString& date);

  // Grid clipboard text (the system clipboard) written into the cells from the grid's current cell,
  // or from the cell given; the grid clipboard format's own answer.
  [[nodiscard]] bool PasteToGrid(std::optional<int> start_row = {}, std::optional<int> start_col = {});

  // A stop signal (the session ends, a kill): the draft is saved as it stands, every window closes
  // and the program ends, without a question; the draft is offered at the next start.
  void StopBySignal();

  // The windows it opened, while they are open.
  InsertPersona* subjectForm() const;
  CreaFiles* creaFiles() const;
  ImportaFile* importaFile() const;
  AvvisoTabella* avvisoTabella() const;
  DatiUtente* datiUtente() const;
  FrmSplash* splash() const;
  Attesa* attesa() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void ShowTableArea(bool visible);
  void ShowSender();
  void CreaTab1();
  void NuovaComunicazione();
  void AskNuovaComunicazione();
  // The table area shown and the number and date open for typing, the table left as it is.
  void MakeTableUsable();
  // The question before subjects not in a validated notice are dropped; true for "Sì".
  bool ConfirmDiscarding(draft::Discarding what);
  // The question before the typing of the open entry form is left behind; true when there is none
  // or for "Sì".
  bool ConfirmLeavingForm(draft::Leaving what);
  void OfferRecovery();
  void Restore(draft::Draft found);
  // The entry form of a restored draft, open again with the typing it held.
  void ReopenForm(const draft::OpenForm& form);
  void DeleteSubjectRow();
  void NewSubject();
  void EditSubjectRow();
  // A subject form with unsaved typing comes to the front instead of being replaced.
  bool RaiseOpenForm();
  void OpenForm(int row);
  // Empties the table (prog 0) or keeps its first prog rows; prog is increased by one when not 0.
  void EraseTable(int& prog);
  // Block copy of grid cells to the system clipboard (the rows that a deletion moves up).
  void CopyFromGrid(int start_row, int end_row, int start_col, int end_col);

  // "Crea File XML", the tick of Timer1 (the rows, once the wait window shows), and the checks again
  // when something changed before "OK" in the save dialog; each answers whether the checks passed.
  void RequestXml();
  void CheckImportedTable();
  bool CheckHeader();
  bool CheckTable();
  bool CheckedNow();
  // The rows a check refused, painted with their reasons and listed in one message.
  void ShowFailedRows(const std::vector<validation::FailedRow>& failed);
  // The register's guard after the checks: a number used this year, subjects already sent; each a
  // question whose "No" (the default) stops the notice. A register that cannot be read is said.
  bool ConfirmNumber();
  bool ConfirmRepeats();
  // The next number of the register in an empty number box.
  void ProposeNumber();
  // Something the register said on the way (a damaged register moved aside).
  void SayRegisterNote(const std::string& note);

  void OpenCreaFiles();
  void OpenImportaFile();
  void OpenAvvisoTabella();
  void OpenDatiUtente(bool modifica);
  void ShowSplash();
  void OpenGuida();

  session::NoticeSession& session_;
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
  int indice_soggetti_ = 0;
  int colonna_corrente_ = 0;  // the column of the grid's current cell, or 22 for a new table
  bool recovery_pending_ = false;
  bool stopping_ = false;

  QPointer<InsertPersona> insert_persona_;
  QPointer<CreaFiles> crea_files_;
  QPointer<ImportaFile> importa_file_;
  QPointer<AvvisoTabella> avviso_tabella_;
  QPointer<DatiUtente> dati_utente_;
  QPointer<FrmSplash> splash_;
  QPointer<Attesa> attesa_;
};

}  // namespace nerovale::ui
