#pragma once

#include <QDialog>
#include <QPointer>

#include "session/notice_session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nerovale::ui {

class Diacritici;

// The sender of the notices: the municipality and the contact person. In first-start mode
// (modifica false) "Esci" ends the program; in change mode "Annulla" only closes the dialog.
class DatiUtente final : public QDialog {
  Q_OBJECT
 public:
  DatiUtente(session::NoticeSession& session, bool modifica, QWidget* parent);
  bool modifica;
  void Confirm();
  void Cancel();
  // Text3 follows the municipality named in Combo1.
  void LookUpComune();

 protected:
  // Escape, the close box and "Esci"/"Annulla" all end here.
  void reject() override;

 signals:
  // "OK": the session's sender changed (and config.ini was written, or the operator told why not).
  void confirmed();
  // The first start is done: the main window comes up.
  void firstStartDone();
  // The first start was left without a sender: the program ends.
  void leftFirstStart();

 private:
  session::NoticeSession& session_;
  QPointer<Diacritici> palette_;
  QComboBox* comune_;
  QLineEdit* codice_;
  QLineEdit* cognome_;
  QLineEdit* nome_;
};

}  // namespace nerovale::ui
