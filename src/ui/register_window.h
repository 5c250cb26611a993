#pragma once

#include <QDialog>

#include <vector>

#include "register/register.h"

class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

namespace nerovale::session {
class NoticeSession;
}

namespace nerovale::ui {

class NoticesModel;

// "Registro": the notices of the register, newest first, each file marked when it is gone or no
// longer the file that was registered; a search of the subjects of every notice by surname, name or
// codice fiscale; and the folder of the chosen notice opened by the desktop.
class Registro final : public QDialog {
  Q_OBJECT
 public:
  Registro(session::NoticeSession& session, QWidget* parent);

  QTableView* notices() const { return notices_; }
  QLineEdit* search() const { return search_; }
  QTableWidget* hits() const { return hits_; }
  // The folder of the chosen notice, as the desktop would be asked to open it ("" for none).
  QString ChosenFolder() const;

 private:
  void Find(const QString& text);
  void ShowHitNotice();
  void OpenFolder();

  session::NoticeSession& session_;
  NoticesModel* model_;
  QTableView* notices_;
  QLineEdit* search_;
  QTableWidget* hits_;
  QPushButton* open_folder_;
  std::vector<std::int64_t> hit_notices_;  // the notice of each hit, by row
};

}  // namespace nerovale::ui
