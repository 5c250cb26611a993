#include "ui/folder_browser.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "ui/keyboard.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/window_texts.h"

namespace nerovale::ui {

QString CartellaDesktop() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!desktop.isEmpty() && QDir(desktop).exists()) return QDir::cleanPath(desktop);
  return QDir::homePath();
}

FolderBrowser::FolderBrowser(QWidget* parent)
    : QWidget(parent), drives_(new QComboBox(this)), path_(new QLabel(this)), folders_(new QListWidget(this)) {
  drives_->setObjectName("Drive1");
  folders_->setObjectName("Dir1");
  path_->setObjectName("DirPath");
  folders_->setAccessibleName(QtText(std::string(kFoldersName)));
  folders_->setAccessibleDescription(QtText(std::string(kFoldersDescription)));
  drives_->setAccessibleName(QtText(std::string(kDrivesName)));
  // The disks of the machine and the ones plugged in, not the system's own file systems (/proc, /run, ...).
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isRoot() || volume.device().startsWith("/dev/")) drives_->addItem(volume.rootPath());
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(path_);
  layout->addWidget(folders_, 1);
  layout->addWidget(drives_);
  connect(drives_, &QComboBox::activated, this, [this](int index) { ChooseDrive(drives_->itemText(index)); });
  // A folder opens on a double click or on Enter, Backspace goes up; neither ever reaches the buttons
  // of the dialog, which act only when pressed themselves.
  connect(folders_, &QListWidget::itemActivated, this, &FolderBrowser::OpenEntry);
  OnKeys(folders_, {Qt::Key_Return, Qt::Key_Enter}, [this] {
    if (folders_->currentItem() != nullptr) OpenEntry(folders_->currentItem());
  });
  OnKeys(folders_, {Qt::Key_Backspace}, [this] {
    if (const auto up = folders_->findItems("..", Qt::MatchExactly); !up.isEmpty()) OpenEntry(up.front());
  });
  Open(QDir::currentPath());
}

void FolderBrowser::OpenEntry(QListWidgetItem* item) {
  const bool up = item->text() == "..";
  const QString left = QDir(current_).dirName();
  if (!Open(QDir(current_).absoluteFilePath(item->text()))) return;
  // The list keeps a place for the keyboard: its first folder, or the one just left when going up.
  const auto found = up ? folders_->findItems(left, Qt::MatchExactly) : QList<QListWidgetItem*>{};
  folders_->setCurrentRow(found.isEmpty() ? 0 : folders_->row(found.front()));
}

bool FolderBrowser::Open(const QString& path) {
  const QDir dir(path);
  if (path.isEmpty() || !dir.exists() || !dir.isReadable()) return false;
  current_ = QDir::cleanPath(dir.absolutePath());
  path_->setText(QDir::toNativeSeparators(current_));
  folders_->clear();
  if (!dir.isRoot()) folders_->addItem("..");
  folders_->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
  const int drive = drives_->findText(QStorageInfo(current_).rootPath());
  if (drive >= 0) drives_->setCurrentIndex(drive);
  emit folderOpened(current_);
  return true;
}

void FolderBrowser::ChooseDrive(const QString& root) {
  const QStorageInfo volume(root);
  if (!volume.isValid() || !volume.isReady() || !Open(root)) {
    Say(window(), Icon::kWarning, QString::fromUtf8(ui::kDriveNonDisponibile.data(), ui::kDriveNonDisponibile.size()));
    const int drive = drives_->findText(QStorageInfo(current_).rootPath());
    if (drive >= 0) drives_->setCurrentIndex(drive);
  }
}

}  // namespace nerovale::ui
