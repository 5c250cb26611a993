#pragma once

#include <QDialog>
#include <QString>

class QListWidget;
class QComboBox;

namespace nerovale::ui {

class FolderBrowser;
class Principale;

// " Salva file XML": the directory in which the notice folder is made; "OK" writes and validates
// the notice, tells the outcome, remembers the directory in config.ini and closes.
class CreaFiles final : public QDialog {
  Q_OBJECT
 public:
  explicit CreaFiles(Principale& principale);
  FolderBrowser* browser() const { return browser_; }
  void Confirm();

 private:
  Principale& principale_;
  FolderBrowser* browser_;
};

// "Apri File": a CSV file to import; "OK" imports it, all or nothing.
class ImportaFile final : public QDialog {
  Q_OBJECT
 public:
  explicit ImportaFile(Principale& principale);
  FolderBrowser* browser() const { return browser_; }
  QListWidget* files() const { return files_; }
  QString NomeFile;
  void Confirm();

 private:
  void ListFiles();

  Principale& principale_;
  FolderBrowser* browser_;
  QListWidget* files_;
  QComboBox* types_;
};

}  // namespace nerovale::ui
