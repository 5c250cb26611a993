#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include <vector>

#include "core/subject_table.h"

namespace nerovale::ui {

// The grid's view of the table of subjects. Row 0 of the table is the caption row, so model row i
// shows subject i + 1 and the captions are the horizontal header; column 0 (the number) is the
// vertical header. The model also holds each row's background, the one piece of state the grid
// keeps beside the texts (a row painted by the table-wide check).
class SubjectTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SubjectTableModel(SubjectTable& table, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Background of a subject row (1-based), white unless painted otherwise.
  QColor RowColour(int row) const;
  void PaintRow(int row, const QColor& background);

  // To be called around every change of the table made outside the model.
  void BeginReset() { beginResetModel(); }
  void EndReset();
  void RowChanged(int row);

 private:
  SubjectTable& table_;
  std::vector<QColor> colours_;
};

}  // namespace nerovale::ui
