#pragma once

#include <QDialog>

#include <memory>

#include "session/notice_session.h"
#include "signature/signing.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nerovale::ui {

// "Firma digitale": the last validated notice signed with the operator's smart card. The module of
// the card reader comes from firma.ini (written back when the operator changes it), the certificates
// are those of the token, the contact person's first; the PIN is typed each time and never kept.
// "Firma" signs under the wait window and says the outcome; a wrong PIN leaves the dialog open for
// another try.
class FirmaDigitale final : public QDialog {
  Q_OBJECT
 public:
  FirmaDigitale(session::NoticeSession& session, QWidget* parent);
  ~FirmaDigitale() override;

  // The token seen again through the module in the box (firma.ini takes a changed module).
  void Refresh();
  void Sign();

 private:
  const signature::Certificate* Chosen() const;
  void ShowState(const std::string& text);

  session::NoticeSession& session_;
  signature::Settings settings_;
  std::unique_ptr<signature::Token> token_;
  QLineEdit* module_;
  QComboBox* certificates_;
  QLineEdit* pin_;
  QLabel* state_;
  QPushButton* firma_;
};

// "Verifica firma": a signed file chosen, and the report of its signature.
void VerifySignedFile(QWidget* parent, const session::NoticeSession& session);

}  // namespace nerovale::ui
