#pragma once

#include <QDialog>
#include <QPointer>

#include "core/subject_table.h"
#include "session/notice_session.h"
#include "validation/subject_entry.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QToolButton;
class QLabel;

namespace nerovale::ui {

class Diacritici;
class SubjectTableModel;

// The subject entry form: a new subject (row 0) or a row of the table. It filters every keystroke,
// keeps the birth and death places consistent with their countries, fills the hidden code boxes from
// the reference tables and, on "Inserisci", stores the subject through the model or marks what is
// wrong.
class InsertPersona final : public QDialog {
  Q_OBJECT
 public:
  InsertPersona(session::NoticeSession& session, SubjectTableModel& model, int row, QWidget* parent);

  // Editing: the controls filled from a row (the birth date split back into its three boxes), then
  // the Italy/abroad state following the stored country codes.
  void FillFromRow(const SubjectRow& row);
  // The focus on the control of a grid column, when it can take it.
  void FocusColumn(int column);

  // The lookups of the combos: true when the text is a name of the table; the code box then holds its code.
  bool RifComune(QComboBox* combo);
  bool RifStato(QComboBox* combo);
  void StatoNCodBox_Change();
  void StatoDCodBox_Change();

  void Inserisci();
  void Cancella();

  // The raw texts of the controls.
  validation::SubjectEntry Entry() const;
  // Whether the operator changed anything since the form was opened (or filled from its row).
  bool HasUnsavedTyping() const;

 signals:
  // The subject was stored at this row of the table.
  void stored(int row);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit* Box(const char* name, QWidget* parent);
  QComboBox* Combo(const char* name, QWidget* parent, bool countries);
  QLineEdit* CodeBoxOf(const QComboBox* combo) const;
  struct PlaceSide {
    QComboBox* country;
    QComboBox* comune;
    QLineEdit* code;
    QLineEdit* foreign;
    QToolButton* palette;
  };
  void SwitchSide(const PlaceSide& side, bool italy);
  void BirthInItaly(bool italy);
  void DeathInItaly(bool italy);
  void ClearHighlightOnChange(QLineEdit* box);
  // Leaving a combo: its look-up fills the code box, or empties it for a name not in the table.
  void LeaveCombo(QComboBox* combo);
  validation::SubjectEntry TypedEntry() const;

  session::NoticeSession& session_;
  SubjectTableModel& model_;
  QPointer<Diacritici> palette_;
  bool nuovo_;
  SubjectTable::RowId editing_ = 0;   // the subject an edit writes back to
  validation::SubjectEntry opened_;   // the controls as the form opened
  QLineEdit *cognome_, *nome_, *giorno_, *mese_, *anno_, *comune_st_, *codice_fiscale_, *paternita_, *data_decesso_,
      *comune_std_, *atto_morte_, *anno_protocollo_, *num_protocollo_;
  QLineEdit *comune_n_cod_, *stato_n_cod_, *stato_d_cod_, *comune_d_cod_, *comune_atto_cod_;
  QComboBox *comune_it_, *stato_, *stato_d_, *comune_itd_, *comune_atto_;
  QRadioButton *maschio_, *femmina_;
  QToolButton *image4_, *image6_;
};

}  // namespace nerovale::ui
