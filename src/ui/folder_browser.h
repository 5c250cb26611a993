#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace nerovale::ui {

// The drive list (Drive1) and the folder list (Dir1) of the file dialogs. The folder that counts
// is the one opened in the list, shown above it; a double click or Enter on a folder opens it,
// Backspace opens the one above.
class FolderBrowser final : public QWidget {
  Q_OBJECT

 public:
  explicit FolderBrowser(QWidget* parent = nullptr);

  QString currentPath() const { return current_; }
  // Opens a folder; false, with the list left as it was, when it cannot be shown.
  bool Open(const QString& path);
  // Moves to a drive or volume; says "Drive non disponibile" when it is not there.
  void ChooseDrive(const QString& root);

  QComboBox* drives() const { return drives_; }
  QListWidget* folders() const { return folders_; }

 signals:
  void folderOpened(const QString& path);

 private:
  void OpenEntry(QListWidgetItem* item);
  QComboBox* drives_;
  QLabel* path_;
  QListWidget* folders_;
  QString current_;
};

// The current user's desktop folder when it exists, else the home folder.
QString CartellaDesktop();

}  // namespace nerovale::ui
