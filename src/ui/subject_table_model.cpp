#include "ui/subject_table_model.h"

#include <QString>

namespace nerovale::ui {

SubjectTableModel::SubjectTableModel(SubjectTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
  colours_.assign(static_cast<std::size_t>(table_.Count()), QColor(Qt::white));
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
  return i < colours_.size() ? colours_[i] : QColor(Qt::white);
}

void SubjectTableModel::PaintRow(int row, const QColor& background) {
  const auto i = static_cast<std::size_t>(row - 1);
  if (i >= colours_.size()) return;
  colours_[i] = background;
  RowChanged(row);
}

void SubjectTableModel::EndReset() {
  colours_.resize(static_cast<std::size_t>(table_.Count()), QColor(Qt::white));
  endResetModel();
}

void SubjectTableModel::RowChanged(int row) {
  emit dataChanged(index(row - 1, 0), index(row - 1, columnCount() - 1));
}

}  // namespace nerovale::ui
