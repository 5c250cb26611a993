#include "ui/folder_browser.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "ui/message_box.h"
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
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) drives_->addItem(volume.rootPath());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(path_);
  layout->addWidget(folders_, 1);
  layout->addWidget(drives_);
  connect(drives_, &QComboBox::activated, this, [this](int index) { ChooseDrive(drives_->itemText(index)); });
  connect(folders_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    Open(item->text() == ".." ? QDir(current_).absoluteFilePath("..") : QDir(current_).absoluteFilePath(item->text()));
  });
  Open(QDir::currentPath());
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
