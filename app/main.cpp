#include <QApplication>
#include <QHeaderView>
#include <QTableView>

#include "core/subject_table.h"
#include "ui/subject_table_model.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  nerovale::SubjectTable table;
  nerovale::ui::SubjectTableModel model(table);
  QTableView view;
  view.setWindowTitle(" Nerovale");
  view.setModel(&model);
  view.resize(1000, 500);
  view.show();
  return QApplication::exec();
}
