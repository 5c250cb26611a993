#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include <string_view>
#include <vector>

#include "core/subject_table.h"

namespace nerovale::ui {

// The grid's view of the table of subjects, and the one way the windows change the table: every
// change goes through an operation below, which emits the grid's signals. Row 0 of the table is the
// caption row, so model row i shows subject i + 1 and the captions are the horizontal header;
// column 0 (the number) is the vertical header. The model also holds each row's background, the
// one piece of state the grid keeps beside the texts (a row painted by the table-wide check); a
// row's colour moves with the row.
class SubjectTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SubjectTableModel(SubjectTable& table, QObject* parent = nullptr);

  const SubjectTable& table() const noexcept { return table_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Background of a subject row (1-based), white unless painted otherwise, and the note shown over a
  // painted row (why the check refused it).
  QColor RowColour(int row) const;
  QString RowNote(int row) const;
  void PaintRow(int row, const QColor& background, const QString& note = {});

  // A new subject at the end, white; false when the table is full.
  [[nodiscard]] bool Append(SubjectRow row);
  // The rows of an import, at the end; the caller has checked that they fit.
  void AppendRows(std::vector<SubjectRow> rows);
  // Columns 1 to 22 of subject row r; its number and colour stay. False when r is not a subject.
  [[nodiscard]] bool Overwrite(int row, const SubjectRow& values);
  // Subject row r leaves; the rows below move up with their colours.
  [[nodiscard]] bool Remove(int row);
  // Keeps the first n subjects.
  void Truncate(int count);
  // The empty table of a new notice.
  void Clear();
  // The rows and colours of a notice restored from its draft, in place of the table's; a row
  // without a colour is white.
  void Replace(std::vector<SubjectRow> rows, std::vector<QColor> colours);
  // Grid clipboard text written into the cells from (row, column) on; the grid clipboard format's
  // own answer.
  [[nodiscard]] bool Paste(std::string_view clip, int row, int column);

 private:
  void RowsChanged(int first, int last);

  struct Paint {
    QColor colour{Qt::white};
    QString note;
  };

  SubjectTable& table_;
  std::vector<Paint> paints_;  // one per subject
};

}  // namespace nerovale::ui
