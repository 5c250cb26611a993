#include "ui/subject_table_model.h"

#include <QString>

#include <algorithm>

#include "core/grid_clip.h"

namespace nerovale::ui {

SubjectTableModel::SubjectTableModel(SubjectTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
  paints_.resize(static_cast<std::size_t>(table_.Count()));
}

int SubjectTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.Count(); }

int SubjectTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kColumnCount) - 1;
}

QVariant SubjectTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row() + 1;
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(table_.Cell(row, static_cast<std::size_t>(index.column()) + 1));
    case Qt::BackgroundRole:
      return RowColour(row);
    case Qt::ForegroundRole:
      return QColor(Qt::black);
    case Qt::ToolTipRole: {
      const QString note = RowNote(row);
      return note.isEmpty() ? QVariant() : QVariant(note);
    }
    default:
      return {};
  }
}

QVariant SubjectTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    const auto caption = kColumnCaptions[static_cast<std::size_t>(section) + 1];
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  }
  return QString::fromStdString(table_.Cell(section + 1, kNumero));
}

QColor SubjectTableModel::RowColour(int row) const {
  const auto i = static_cast<std::size_t>(row - 1);
  return i < paints_.size() ? paints_[i].colour : QColor(Qt::white);
}

QString SubjectTableModel::RowNote(int row) const {
  const auto i = static_cast<std::size_t>(row - 1);
  return i < paints_.size() ? paints_[i].note : QString();
}

void SubjectTableModel::PaintRow(int row, const QColor& background, const QString& note) {
  const auto i = static_cast<std::size_t>(row - 1);
  if (i >= paints_.size()) return;
  paints_[i] = {background, note};
  RowsChanged(row, row);
}

bool SubjectTableModel::Append(SubjectRow row) {
  const int count = table_.Count();
  if (count >= SubjectTable::kMaxSubjects) return false;
  beginInsertRows({}, count, count);
  const bool added = table_.Add(std::move(row));
  paints_.emplace_back();
  endInsertRows();
  return added;
}

void SubjectTableModel::AppendRows(std::vector<SubjectRow> rows) {
  if (rows.empty()) return;
  const int count = table_.Count();
  const int room = SubjectTable::kMaxSubjects - count;
  if (static_cast<int>(rows.size()) > room) rows.resize(static_cast<std::size_t>(std::max(room, 0)));
  if (rows.empty()) return;
  beginInsertRows({}, count, count + static_cast<int>(rows.size()) - 1);
  const int added = table_.Append(std::move(rows));
  paints_.resize(paints_.size() + static_cast<std::size_t>(added));
  endInsertRows();
}

bool SubjectTableModel::Overwrite(int row, const SubjectRow& values) {
  if (!table_.Overwrite(row, values)) return false;
  RowsChanged(row, row);
  return true;
}

bool SubjectTableModel::Remove(int row) {
  if (row < 1 || row > table_.Count()) return false;
  beginRemoveRows({}, row - 1, row - 1);
  const bool removed = table_.Remove(row);
  paints_.erase(paints_.begin() + (row - 1));
  endRemoveRows();
  // The numbers of the rows below changed with them.
  if (row <= table_.Count()) emit headerDataChanged(Qt::Vertical, row - 1, table_.Count() - 1);
  return removed;
}

void SubjectTableModel::Truncate(int count) {
  if (count < 0 || count >= table_.Count()) return;
  beginRemoveRows({}, count, table_.Count() - 1);
  table_.Truncate(count);
  paints_.resize(static_cast<std::size_t>(count));
  endRemoveRows();
}

void SubjectTableModel::Clear() {
  beginResetModel();
  table_.CreaTab1();
  paints_.clear();
  endResetModel();
}

void SubjectTableModel::Replace(std::vector<SubjectRow> rows, std::vector<QColor> colours) {
  beginResetModel();
  table_.CreaTab1();
  for (auto& row : rows) {
    if (!table_.Add(std::move(row))) break;  // never more than the table holds
  }
  colours.resize(static_cast<std::size_t>(table_.Count()), QColor(Qt::white));
  paints_.clear();
  for (const QColor& colour : colours) paints_.push_back({colour, {}});  // the notes return with the next check
  endResetModel();
}

bool SubjectTableModel::Paste(std::string_view clip, int row, int column) {
  beginResetModel();
  const bool pasted = gridclip::PasteBlock(table_, clip, row, column);
  endResetModel();
  return pasted;
}

void SubjectTableModel::RowsChanged(int first, int last) {
  emit dataChanged(index(first - 1, 0), index(last - 1, columnCount() - 1));
}

}  // namespace nerovale::ui
