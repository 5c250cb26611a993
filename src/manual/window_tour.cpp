#include "manual/window_tour.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QCalendarWidget>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QRadioButton>

#include <fstream>

#include "codicefiscale/codice_fiscale.h"
#include "core/dates.h"
#include "core/text.h"
#include "output/notice_output.h"
#include "reference/reference_tables.h"
#include "signature/digest.h"
#include "summary/summary.h"
#include "ui/dati_utente.h"
#include "ui/file_dialogs.h"
#include "ui/folder_browser.h"
#include "ui/insert_persona.h"
#include "ui/principale.h"
#include "ui/signing_window.h"
#include "ui/small_windows.h"
#include "ui/window_texts.h"
#include "ui/summary_print.h"

namespace nerovale::manual {
namespace {

namespace fs = std::filesystem;

void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// A button of a window pressed, or an action of its menus chosen, as the operator would.
void Press(QWidget* window, const char* name) {
  if (auto* button = window->findChild<QAbstractButton*>(name)) button->click();
  if (auto* action = window->findChild<QAction*>(name)) action->trigger();
  Settle();
}

// Lets the event loop run for a while (a timer of the window fires meanwhile).
void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

void SetText(QWidget* window, const char* name, const QString& text) {
  if (auto* box = window->findChild<QLineEdit*>(name)) box->setText(text);
  if (auto* combo = window->findChild<QComboBox*>(name)) combo->setEditText(text);
}

std::string Code(reference::ReferenceTables& tables, const std::string& cognome, const std::string& nome,
                 const std::string& sesso, int d, int m, int y, const std::string& comune) {
  const codicefiscale::Person person{cognome, nome, sesso, *dates::MakeDate(d, m, y), comune, reference::kItaly};
  return codicefiscale::CalcolaCF(person, tables.Snapshot());
}

// A message box as the program shows it, for a picture.
void VisitMessage(const Visit& visit, const std::string& name, const ui::MessageRequest& request) {
  const auto box = ui::MessageBoxFor(nullptr, request);
  box->show();
  Settle();
  visit(name, *box);
  box->close();
}

// The windows in the order an operator meets them; a window that does not open ends the tour (the
// check of the captions then misses it by name).
void Tour(ui::Principale& w, session::NoticeSession& session, const fs::path& exports,
          const fs::path& notices, std::vector<ui::MessageRequest>& messages, QMessageBox::StandardButton& answer,
          const Visit& visit) {
  ui::DatiUtente* dati = w.datiUtente();
  if (dati == nullptr) return;
  SetText(dati, "Combo1", "MILANO");
  dati->LookUpComune();
  SetText(dati, "Text1", "ROSSI");
  SetText(dati, "Text2", "MARIA GRAZIA");
  visit("dati_utente_primo_avvio", *dati);
  dati->Confirm();
  Settle();
  if (w.splash() == nullptr) return;
  visit("splash", *w.splash());
  w.splash()->close();
  Settle();

  Press(&w, "CG");  // after the first start the table appears with "Nuova Comunicazione"
  SetText(&w, "TxtNumeroRichiesta", "123");
  w.SetNoticeDate("30/11/2026");
  visit("principale_vuota", w);

  Press(&w, "Command7");
  ui::ImportaFile* import = w.importaFile();
  if (import == nullptr) return;
  import->browser()->Open(QString::fromStdString(exports.string()));
  import->files()->setCurrentRow(0);
  Settle();
  visit("importa_file", *import);
  import->Confirm();
  Settle();

  Press(&w, "Command1");  // "Crea File XML" with imported rows: the wait window, then the check
  if (w.attesa() == nullptr) return;
  visit("attesa", *w.attesa());
  Wait(800);
  Settle();
  visit("principale", w);
  VisitMessage(visit, "messaggio_righe", messages.back());

  // A new subject typed with mistakes: the name left out, a codice fiscale that does not match,
  // no death certificate.
  Press(&w, "Command3");
  ui::InsertPersona* form = w.subjectForm();
  if (form == nullptr) return;
  SetText(form, "CognomeBox", "COLOMBO");
  form->findChild<QRadioButton*>("Option2")->setChecked(true);
  SetText(form, "GiornoBox", "7");
  SetText(form, "MeseBox", "3");
  SetText(form, "AnnoBox", "1952");
  SetText(form, "ComuneITCombo", "TORINO");
  form->RifComune(form->findChild<QComboBox*>("ComuneITCombo"));
  SetText(form, "CodiceFiscaleBox", "CLMNNA52C47L219X");
  SetText(form, "DataDecessoBox", "12/11/2026");
  SetText(form, "ComuneITDCombo", "MILANO");
  form->RifComune(form->findChild<QComboBox*>("ComuneITDCombo"));
  SetText(form, "ComuneAttoCombo", "MILANO");
  form->RifComune(form->findChild<QComboBox*>("ComuneAttoCombo"));
  SetText(form, "AnnoProtocolloBox", "2026");
  SetText(form, "NumProtocolloBox", "4580");
  form->Inserisci();
  Settle();
  visit("insert_persona", *form);
  VisitMessage(visit, "messaggio_errori", messages.back());
  form->CloseWithoutQuestion();  // the refused subject is let go
  Settle();

  // The subject born abroad, opened again with "Modifica Soggetto", with the palette and the calendar.
  w.SetCurrentCell(2, 1);
  Press(&w, "Command4");
  form = w.subjectForm();
  if (form == nullptr) return;
  visit("insert_persona_estero", *form);
  Press(form, "Image1");
  auto* palette = form->findChild<ui::Diacritici*>();
  if (palette == nullptr) return;
  visit("diacritici", *palette);
  palette->close();
  Press(form, "Image5");
  auto* calendar = form->findChild<ui::CalendarDialog*>();
  if (calendar == nullptr) return;
  calendar->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2026, 11, 30));  // the same picture any day
  Settle();
  visit("calendario", *calendar);
  calendar->close();
  form->CloseWithoutQuestion();
  Settle();

  // Deleting a row asks first (answered No here); clearing the table asks in a window of its own.
  answer = QMessageBox::No;
  w.SetCurrentCell(2, 1);
  Press(&w, "Command5");
  answer = QMessageBox::Ok;
  VisitMessage(visit, "messaggio_elimina", {ui::Icon::kWarning, messages.back().text, QMessageBox::Yes | QMessageBox::No});
  Press(&w, "Command6");
  if (w.avvisoTabella() == nullptr) return;
  visit("avviso_tabella", *w.avvisoTabella());
  w.avvisoTabella()->close();
  Settle();

  // The missing year put in, the notice is written: the folder chosen, the summary asked for.
  SubjectRow third = session.table().Row(3);
  third[kAnnoProtocollo] = "2026";
  static_cast<void>(w.model().Overwrite(3, third));
  Press(&w, "Command1");
  Wait(800);
  Settle();
  ui::CreaFiles* save = w.creaFiles();
  if (save == nullptr) return;
  save->browser()->Open(QString::fromStdString(notices.string()));
  Settle();
  visit("crea_files", *save);
  answer = ui::kExtraButton;  // "Stampa riepilogo"
  save->Confirm();
  answer = QMessageBox::Ok;
  Settle();
  // The pictures show a notice made at 9:30 on 30 November 2026, whenever they are taken.
  const std::string folder_name = "Nerovale_20261130,0930";
  for (const auto& m : messages) {
    if (m.extra_button.isEmpty()) continue;
    QString text = QString::fromStdString(ui::ValidatedNoticeText(output::SuccessText(folder_name)));
    text.replace("\r\n", "\n");
    VisitMessage(visit, "messaggio_successo",
                 {m.icon, text, m.buttons, m.default_button, m.extra_button, m.second_extra_button});
  }

  // The signing dialog offered by that message, as it opens without a card in the reader.
  {
    ui::FirmaDigitale signing(session, &w);
    signing.show();
    Settle();
    visit("firma_digitale", signing);
    signing.close();
  }

  // The summary's first page, as the printer draws it.
  for (const auto& folder : fs::directory_iterator(notices)) {
    if (!folder.is_directory()) continue;
    if (fs::is_empty(folder.path())) continue;
    const auto file = (*fs::directory_iterator(folder.path())).path();
    const auto sha = signature::FileSha256Hex(file);
    const summary::Summary made{"MILANO", session.Sender(), session.header(), notices / folder_name / file.filename(),
                                sha.value_or(""), {*dates::MakeDate(30, 11, 2026), 9, 30}, session.table()};
    const summary::Pages pages = summary::LayOut(made);
    const double scale = 1.45;
    QImage image(static_cast<int>(pages.width * scale), static_cast<int>(pages.height * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    ui::PaintSummaryPage(painter, pages.pages.front(), scale);
    painter.end();
    QLabel page;
    page.setPixmap(QPixmap::fromImage(image));
    page.setFixedSize(image.size());
    visit("riepilogo", page);
  }

  Press(&w, "modConfig");
  if (w.datiUtente() == nullptr) return;
  visit("dati_utente", *w.datiUtente());
  w.datiUtente()->close();

}

}  // namespace

std::vector<ui::MessageRequest> TourWindows(const fs::path& source, const fs::path& work, const Visit& visit) {
  fs::remove_all(work);
  fs::create_directories(work / "ref");
  for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "FileValiditaComuni.txt", "validate.xsd"}) {
    fs::copy_file(source / "ref" / file, work / "ref" / file);
  }
  const fs::path exports = work / "Esportazioni";
  const fs::path notices = work / "Comunicazioni";
  fs::create_directories(exports);
  fs::create_directories(notices);

  std::vector<ui::MessageRequest> messages;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  ui::SetMessageHook([&](const ui::MessageRequest& request) {
    messages.push_back(request);
    return answer;
  });
  ui::SetPrintHook([](QPrinter&) { return false; });  // the print dialog is the system's own

  const LocalClock clock;
  session::NoticeSession session(work, clock);
  {
    // Three subjects from the registry software's export; the third lacks its protocol year.
    auto& tables = session.tables();
    std::ofstream csv(exports / "decessi_novembre_2026.csv", std::ios::binary);
    csv << "Esposito;Giuseppe;M;12/04/1938;Napoli;;;" << Code(tables, "ESPOSITO", "GIUSEPPE", "M", 12, 4, 1938, "NAPOLI")
        << ";Salvatore;02/11/2026;;Milano;;1254;Milano;2026;4512\r\n"
        << "Müller;Hans;M;1941;;Monaco di Baviera;Germania;;Karl;05/11/2026;;Milano;;1261;Milano;2026;4530\r\n"
        << "D'Angelo;Maria Assunta;F;23/08/1945;Palermo;;;"
        << Code(tables, "D'ANGELO", "MARIA ASSUNTA", "F", 23, 8, 1945, "PALERMO")
        << ";;09/11/2026;;Milano;;1275;Milano;;4561\r\n";
  }

  ui::Principale w(session);
  w.show();
  w.Start();  // no config.ini: the first start
  Settle();
  Tour(w, session, exports, notices, messages, answer, visit);

  w.close();
  Settle();
  ui::SetMessageHook({});
  ui::SetPrintHook({});
  return messages;
}

}  // namespace nerovale::manual
