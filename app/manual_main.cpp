// nerovale-manuale: the user manual as a PDF file, made from its Markdown chapters and pictures.
//
//   nerovale-manuale CARTELLA_DEI_CAPITOLI FILE.pdf
#include <QApplication>
#include <QHashFunctions>

#include <cstdio>

#include "manual/manual_pdf.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The PDF library numbers the embedded fonts in the order of a hash table: a fixed seed gives the
  // same file from the same chapters.
  QHashSeed::setDeterministicGlobalSeed();
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "Uso: nerovale-manuale CARTELLA_DEI_CAPITOLI FILE.pdf\n");
    return 2;
  }
  const nerovale::Status written = nerovale::manual::WriteManualPdf(argv[1], argv[2]);
  if (!written) {
    std::fprintf(stderr, "nerovale-manuale: %s\n", written.message().c_str());
    return 2;
  }
  return 0;
}
