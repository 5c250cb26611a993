#include "ui/register_window.h"

#include <QAbstractTableModel>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <optional>

#include "core/dates.h"
#include "session/notice_session.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/window_texts.h"

namespace nerovale::ui {

namespace {

constexpr int kMaxHits = 500;
const QColor kMarkedColour{255, 192, 192};

QString Two(int value) { return QString("%1").arg(value, 2, 10, QChar('0')); }

QString WrittenText(const Moment& m) {
  return QtText(dates::FormatDdMmYyyy(m.date)) + " " + Two(m.hour) + ":" + Two(m.minute);
}

// A list of whole rows that is read, not edited; Tab leaves it for the next control.
void ReadOnlyList(QTableView* view, const char* accessible_name) {
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setTabKeyNavigation(false);
  view->verticalHeader()->hide();
  view->horizontalHeader()->setStretchLastSection(true);
  view->setAccessibleName(accessible_name);
}

QString NoticeText(const registry::NoticeEntry& n) { return QtText(n.numero + " del " + n.data); }

}  // namespace

// The notices as rows. The state of a notice's file is found when its row is first shown, so that a
// register of thousands of notices opens at once: only the rows on the screen read their files.
class NoticesModel final : public QAbstractTableModel {
 public:
  NoticesModel(std::vector<registry::NoticeEntry> notices, QObject* parent)
      : QAbstractTableModel(parent), notices_(std::move(notices)), states_(notices_.size()) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(notices_.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kColumns; }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const std::array<const char*, kColumns> kCaptions = {"Numero", "Data",    "Scritta il", "Soggetti",
                                                                 "File",   "SHA-256", "Stato"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns) {
      return QString(kCaptions[static_cast<std::size_t>(section)]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const registry::NoticeEntry& n = notices_[row];
    if (role == Qt::BackgroundRole) {
      return State(row) == session::NoticeFileState::kAsRegistered ? QVariant() : QVariant(kMarkedColour);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
      case 0: return QtText(n.numero);
      case 1: return QtText(n.data);
      case 2: return WrittenText(n.written);
      case 3: return n.subjects;
      case 4: return role == Qt::ToolTipRole ? QtText(n.File().string()) : QtText(n.file_name);
      case 5: return role == Qt::ToolTipRole ? QtText(n.sha256) : QtText(n.sha256.substr(0, 12)) + "…";
      case 6: return QtText(session::NoticeFileStateText(State(row)));
      default: return {};
    }
  }

  const registry::NoticeEntry& Notice(int row) const { return notices_[static_cast<std::size_t>(row)]; }
  int RowOf(std::int64_t id) const {
    for (std::size_t i = 0; i < notices_.size(); ++i) {
      if (notices_[i].id == id) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  static constexpr int kColumns = 7;
  session::NoticeFileState State(std::size_t row) const {
    if (!states_[row]) states_[row] = session::CheckNoticeFile(notices_[row]);
    return *states_[row];
  }
  std::vector<registry::NoticeEntry> notices_;
  mutable std::vector<std::optional<session::NoticeFileState>> states_;
};

Registro::Registro(session::NoticeSession& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      model_(nullptr),
      notices_(Named(new QTableView(this), "GrigliaComunicazioni")),
      search_(Named(new QLineEdit(this), "CercaSoggetto")),
      hits_(Named(new QTableWidget(0, 5, this), "GrigliaSoggetti")),
      open_folder_(Named(new QPushButton("Apri &cartella", this), "ApriCartella")) {
  setObjectName("Registro");
  setWindowTitle("Registro");
  std::vector<registry::NoticeEntry> entries;
  if (registry::Register* reg = session_.notice_register()) {
    auto answer = reg->Notices();
    if (!answer.note.empty()) Say(this, Icon::kWarning, QtText(answer.note));
    if (!answer.status) Say(this, Icon::kWarning, QtText(answer.status.message()));
    entries = std::move(answer.value);
  }
  model_ = new NoticesModel(std::move(entries), this);
  notices_->setModel(model_);
  ReadOnlyList(notices_, "Comunicazioni registrate");
  for (const auto& [column, width] : {std::pair{0, 70}, {1, 85}, {2, 120}, {3, 70}, {4, 230}, {5, 120}}) {
    notices_->setColumnWidth(column, width);
  }
  if (model_->rowCount({}) > 0) notices_->selectRow(0);

  auto* search_label = new QLabel("C&erca soggetto (cognome, nome o codice fiscale):", this);
  search_label->setBuddy(search_);
  search_->setAccessibleName("Cerca soggetto");
  hits_->setHorizontalHeaderLabels({"Cognome", "Nome", "Codice fiscale", "Data decesso", "Comunicazione"});
  ReadOnlyList(hits_, "Soggetti trovati");
  auto* close = Named(new QPushButton("C&hiudi", this), "Chiudi");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(open_folder_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  auto* notices_label = new QLabel("&Comunicazioni registrate, dalla più recente:", this);
  notices_label->setBuddy(notices_);
  layout->addWidget(notices_label);
  layout->addWidget(notices_, 3);
  layout->addWidget(search_label);
  layout->addWidget(search_);
  layout->addWidget(hits_, 2);
  layout->addLayout(buttons);
  resize(820, 560);

  connect(search_, &QLineEdit::textChanged, this, &Registro::Find);
  connect(hits_, &QTableWidget::itemSelectionChanged, this, &Registro::ShowHitNotice);
  connect(open_folder_, &QPushButton::clicked, this, &Registro::OpenFolder);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void Registro::Find(const QString& text) {
  hits_->setRowCount(0);
  hit_notices_.clear();
  registry::Register* reg = session_.notice_register();
  const QString wanted = text.trimmed();
  if (reg == nullptr || wanted.isEmpty()) return;
  const auto answer = reg->Find(Utf8(wanted), kMaxHits);
  if (!answer.status) {
    Say(this, Icon::kWarning, QtText(answer.status.message()));
    return;
  }
  hits_->setRowCount(static_cast<int>(answer.value.size()));
  int row = 0;
  for (const auto& hit : answer.value) {
    const std::array<QString, 5> cells = {QtText(hit.subject[kCognome]), QtText(hit.subject[kNome]),
                                          QtText(hit.subject[kCodiceFiscale]), QtText(hit.subject[kDataDecesso]),
                                          NoticeText(hit.notice)};
    for (int c = 0; c < 5; ++c) hits_->setItem(row, c, new QTableWidgetItem(cells[static_cast<std::size_t>(c)]));
    hit_notices_.push_back(hit.notice.id);
    ++row;
  }
}

void Registro::ShowHitNotice() {
  const int row = hits_->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= hit_notices_.size()) return;
  const int notice_row = model_->RowOf(hit_notices_[static_cast<std::size_t>(row)]);
  if (notice_row < 0) return;
  notices_->selectRow(notice_row);
  notices_->scrollTo(model_->index(notice_row, 0));
}

QString Registro::ChosenFolder() const {
  const QModelIndex current = notices_->currentIndex();
  if (!current.isValid()) return {};
  return QtText(model_->Notice(current.row()).folder);
}

void Registro::OpenFolder() {
  const QString folder = ChosenFolder();
  if (folder.isEmpty()) return;
  if (!QDir(folder).exists()) {
    Say(this, Icon::kWarning, QtText(FolderGoneText(Utf8(QDir::toNativeSeparators(folder)))));
  } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
    Say(this, Icon::kWarning, QtText(FolderNotOpenedText(Utf8(QDir::toNativeSeparators(folder)))));
  }
}

}  // namespace nerovale::ui
