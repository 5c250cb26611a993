#include "ui/italian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace nerovale::ui {

void UseItalian() {
  const QLocale italian(QLocale::Italian, QLocale::Italy);
  QLocale::setDefault(italian);
  // Lives as long as the application; without the translation files the texts stay Qt's English.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(italian, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  }
}

}  // namespace nerovale::ui
