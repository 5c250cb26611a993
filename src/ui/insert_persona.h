#pragma once

#include <QDialog>
#include <QPointer>

#include <array>
#include <string>

#include "core/draft.h"
#include "core/subject_table.h"
#include "session/notice_session.h"
#include "validation/subject_form.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace nerovale::ui {

class Diacritici;
class SubjectTableModel;

// The subject entry form: a new subject (row 0) or a row of the table. Its controls are made from
// the form's table of fields (validation::Fields): each with its name, filter and palette. It filters
// every keystroke, keeps the birth and death places consistent with their countries, looks every
// place up in the reference tables (the codes are values of the form, not of its controls) and, on
// "Inserisci", stores the subject through the model or marks the fields that are wrong.
class InsertPersona final : public QDialog {
  Q_OBJECT
 public:
  InsertPersona(session::NoticeSession& session, SubjectTableModel& model, int row, QWidget* parent);

  // Editing: the controls filled from a row (the birth date split back into its three boxes), then
  // the Italy/abroad state following the stored country codes.
  void FillFromRow(const SubjectRow& row);
  // Recovery from the draft: the controls as the typing had left them, a date typed in part digit by
  // digit. The form still compares with how it opened (its row, or the empty form), so the typing
  // counts as unsaved.
  void Resume(const validation::SubjectForm& typed);
  // The focus on the control of a grid column, when it can take it.
  void FocusColumn(int column);

  // The lookups of the combos: true when the text is a name of the table; the combo's code then is
  // the name's.
  // The code the operator picks among municipalities that bore one name on a day; "" for Annulla.
  std::string ChoosePlace(const std::string& name, const std::vector<reference::NamePeriod>& candidates,
                          const std::string& before);
  bool RifComune(QComboBox* combo);
  bool RifStato(QComboBox* combo);
  // The Italy/abroad state of each side follows its country's code.
  void StatoNCodBox_Change();
  void StatoDCodBox_Change();

  void Inserisci();
  void Cancella();

  // What the controls hold, with the codes of their places.
  validation::SubjectForm Entry() const;
  // Whether the operator changed anything since the form was opened (or filled from its row).
  bool HasUnsavedTyping() const;
  // Asks before typing is left behind ("Chiudere comunque?", No by default); true when nothing is
  // unsaved or the operator agreed, and then the form closes without asking again.
  bool ConfirmLeaving();
  // Closes without a question: the caller has asked, or the program is stopping.
  void CloseWithoutQuestion();
  // What the draft keeps of the form while it is open with typing that is neither stored nor left
  // behind: the row of its subject now (0 for a new subject, or one that has left the table) and its
  // controls; none otherwise.
  std::optional<draft::OpenForm> ForDraft() const;

 signals:
  // The subject was stored at this row of the table.
  void stored(int row);
  // A control's value, or a place's code, changed.
  void edited();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape

 private:
  using Field = validation::Field;
  QWidget* Control(Field field) const { return controls_[static_cast<std::size_t>(field)]; }
  QLineEdit* Box(Field field) const;
  QComboBox* Combo(Field field) const;
  std::optional<Field> FieldOf(const QComboBox* combo) const;
  bool ask_before_leaving_ = true;
  void Build();
  void LayOut(QWidget* decesso, QWidget* inserisci, QWidget* cancella, QWidget* annulla);
  void Show(const validation::SubjectForm& form);
  void SetCode(Field field, std::string code);
  struct PlaceSide {
    Field country;
    Field comune;
    Field foreign;
    QToolButton* palette;
  };
  void SwitchSide(const PlaceSide& side, bool italy);
  void BirthInItaly(bool italy);
  void DeathInItaly(bool italy);
  bool IsItaly(const QString& country) const;
  // Leaving a combo: its look-up gives its code, or none for a name not in the table.
  void LeaveCombo(QComboBox* combo);
  validation::SubjectForm TypedEntry() const;

  session::NoticeSession& session_;
  SubjectTableModel& model_;
  QPointer<Diacritici> palette_;
  bool nuovo_;
  SubjectTable::RowId editing_ = 0;      // the subject an edit writes back to
  validation::SubjectForm opened_;       // the controls as the form opened
  std::array<QWidget*, validation::kFieldCount> controls_{};
  std::array<std::string, validation::kFieldCount> codes_;  // of the place fields
  QRadioButton* femmina_ = nullptr;      // the sex's second option (the first is the field's control)
  QToolButton* image4_ = nullptr;        // the palettes of the foreign towns, shown only abroad
  QToolButton* image6_ = nullptr;
};

}  // namespace nerovale::ui
