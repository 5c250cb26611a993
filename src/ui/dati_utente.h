#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nerovale::ui {

class Principale;

// The sender of the notices: the municipality and the contact person. In first-start mode
// (modifica false) "Esci" ends the program; in change mode "Annulla" only closes the dialog.
class DatiUtente final : public QDialog {
  Q_OBJECT
 public:
  DatiUtente(Principale& principale, bool modifica);
  bool modifica;
  void Confirm();
  void Cancel();
  // Text3 follows the municipality named in Combo1.
  void LookUpComune();

 protected:
  // Escape, the close box and "Esci"/"Annulla" all end here.
  void reject() override;

 private:
  Principale& principale_;
  QComboBox* comune_;
  QLineEdit* codice_;
  QLineEdit* cognome_;
  QLineEdit* nome_;
};

}  // namespace nerovale::ui
