#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>

#include "session/notice_session.h"

class QListWidget;
class QComboBox;

namespace nerovale::ui {

class FolderBrowser;
class SubjectTableModel;

// " Salva file XML": the directory in which the notice folder is made; "OK" writes and validates
// the notice, tells the outcome, remembers the directory in config.ini and closes. A notice is
// written only from what the checks passed: when anything changed since, checked() runs them again
// (the main window, which paints the rows they refuse) and answers whether they passed.
class CreaFiles final : public QDialog {
  Q_OBJECT
 public:
  CreaFiles(session::NoticeSession& session, std::function<bool()> checked, QWidget* parent);
  FolderBrowser* browser() const { return browser_; }
  void Confirm();

 signals:
  // A notice written from the table at this revision passed the schema validation.
  void noticeValidated(std::uint64_t revision);
  // The operator asked, after a validated notice, for an empty table for the next one.
  void emptyTableAsked();

 private:
  session::NoticeSession& session_;
  std::function<bool()> checked_;
  FolderBrowser* browser_;
};

// "Apri File": a CSV file to import; "OK" imports it, all or nothing, through the model.
class ImportaFile final : public QDialog {
  Q_OBJECT
 public:
  ImportaFile(session::NoticeSession& session, SubjectTableModel& model, QWidget* parent);
  FolderBrowser* browser() const { return browser_; }
  QListWidget* files() const { return files_; }
  QString NomeFile;
  void Confirm();

 signals:
  void imported();
  void importFailed();

 private:
  void ListFiles();
  session::NoticeSession& session_;
  SubjectTableModel& model_;
  FolderBrowser* browser_;
  QListWidget* files_;
  QComboBox* types_;
};

// Saves config.ini, and says so when it cannot.
void SaveConfig(QWidget* parent, session::NoticeSession& session);

}  // namespace nerovale::ui
