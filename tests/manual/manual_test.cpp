// The manual keeps in step with the program: every caption of every window and every message that
// the program can show is in its text, and it builds into a PDF with a table of contents whose pages
// are right, equal in text to the one kept in docs/.
#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <sstream>

#include "archive/update_command.h"
#include "batch/batch_run.h"
#include "core/data_places.h"
#include "core/draft.h"
#include "core/system_files.h"
#include "core/user_config.h"
#include "import/csv_import.h"
#include "manual/manual_pdf.h"
#include "manual/window_tour.h"
#include "output/notice_output.h"
#include "pdf_text.h"
#include "register/register_texts.h"
#include "reference/reference_tables.h"
#include "signature/signature_texts.h"
#include "signature/signing.h"
#include "summary/summary_texts.h"
#include "temp_dir.h"
#include "ui/window_texts.h"
#include "validation/key_filter.h"
#include "validation/sender_check.h"
#include "validation/subject_form.h"
#include "validation/table_check.h"

namespace nerovale::manual {
namespace {

namespace fs = std::filesystem;
const fs::path kSource{NEROVALE_SOURCE_DIR};

// Stands for the variable parts of a message (a number, a path, a name).
constexpr const char* kVar = "\x01";

QString QtFromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The text as a reader compares it: runs of blanks and line breaks as one blank.
QString Normal(const QString& text) { return text.simplified(); }

// The pieces of a text that the manual must hold word for word: the text cut at its variable parts
// and at its line breaks; pieces with fewer than two letters say nothing.
QStringList Pieces(QString text, const QRegularExpression& variable) {
  text.replace(variable, kVar);
  QStringList pieces;
  for (const QString& piece : text.split(QRegularExpression(QString("[\\r\\n") + kVar + "]"))) {
    const QString p = Normal(piece);
    if (p.count(QRegularExpression("\\p{L}")) >= 2) pieces << p;
  }
  return pieces;
}

bool UnderCalendar(const QObject* o) {
  while (o != nullptr && qobject_cast<const QCalendarWidget*>(o) == nullptr) o = o->parent();
  return o != nullptr;
}

// Every caption a window shows: its title, labels, buttons, frames, menus and their items, tool
// tips, the items of fixed lists and the grid's column titles. Not the data: the folder shown by the
// file dialogs, the lists of the tables, the calendar's month and year, a message box's own text.
QStringList Captions(QWidget& window) {
  QStringList captions{window.windowTitle()};
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (UnderCalendar(w) || w->objectName() == "DirPath" || w->objectName().startsWith("qt_msgbox")) continue;
    captions << w->toolTip();
    if (auto* label = qobject_cast<QLabel*>(w)) captions << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) captions << button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(w)) captions << frame->title();
    if (auto* menu = qobject_cast<QMenu*>(w)) captions << menu->title();
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable() && w->objectName() != "Drive1") {
      for (int i = 0; i < combo->count(); ++i) captions << combo->itemText(i);
    }
    if (auto* grid = qobject_cast<QTableView*>(w)) {
      for (int c = 0; c < grid->model()->columnCount(); ++c) {
        captions << grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      }
    }
  }
  for (QAction* action : window.findChildren<QAction*>()) {
    if (!UnderCalendar(action)) captions << action->text().section('\t', 0, 0);
  }
  for (QString& caption : captions) caption.remove('&');
  return captions;
}

// Fails for every piece of a text that the manual, read once, does not hold.
void ExpectInManual(const QString& text, const QString& where, const QRegularExpression& variable) {
  static std::string error;
  static const QString manual = Normal(ManualPlainText(kSource / "docs" / "manuale", &error));
  ASSERT_FALSE(manual.isEmpty()) << error;
  for (const QString& piece : Pieces(text, variable)) {
    EXPECT_TRUE(manual.contains(piece)) << "not in docs/manuale (" << where.toStdString() << "): \"" << piece.toStdString()
                                        << "\"";
  }
}

// The tour opens every window; each caption it shows, and each message shown on the way, is in the manual.
TEST(ManualText, NamesEveryCaptionOfEveryWindow) {
  testing::TempDir dir;
  std::set<std::string> visited;
  std::vector<ui::MessageRequest> shown = TourWindows(kSource, dir / "tour", [&](const std::string& name, QWidget& w) {
    visited.insert(name);
    for (const QString& caption : Captions(w)) ExpectInManual(caption, QtFromUtf8(name), QRegularExpression("\\d+"));
  });
  for (const char* window : {"dati_utente_primo_avvio", "dati_utente", "splash", "principale", "importa_file", "attesa",
                             "insert_persona", "diacritici", "calendario", "avviso_tabella", "crea_files",
                             "messaggio_successo", "firma_digitale"}) {
    EXPECT_TRUE(visited.contains(window)) << window;
  }
  // What the windows said on the way; those that name the tour's own files are checked below,
  // through the functions that make them.
  for (const auto& message : shown) {
    if (!message.text.contains(QtFromUtf8((dir / "tour").string()))) ExpectInManual(message.text, "tour", QRegularExpression("\\d+"));
  }
}

// Every message the program can give, with a stand-in for its variable parts, is in the manual.
TEST(ManualText, ExplainsEveryMessage) {
  const std::string v = kVar;
  QStringList messages;
  const auto add = [&messages](std::string_view text) { messages << QtFromUtf8(text); };

  for (int rule = 1; rule <= validation::kEntryRuleCount; ++rule) add(validation::RuleMessage(validation::EntryRule(rule)));
  for (auto c = static_cast<int>(validation::TableCondition::kCognome);
       c <= static_cast<int>(validation::TableCondition::kCodiceFiscaleCoerente); ++c) {
    add(validation::ConditionText(validation::TableCondition(c)));
  }
  for (const auto* filter : {&validation::filters::kCognome, &validation::filters::kComuneEstero,
                             &validation::filters::kAttoMorte, &validation::filters::kNumeroComunicazione,
                             &validation::filters::kReferente}) {
    add(filter->full_message);
  }
  for (const auto text : {ui::kAlreadyOpen, ui::kEmptyTableQuestion, ui::kEditedSubjectGone, ui::kInserireComune, ui::kInserireCognomeReferente,
                          ui::kInserireNomeReferente, ui::kSelezionareUnFile, ui::kDriveNonDisponibile,
                          summary::kStampaRiepilogo}) {
    add(text);
  }
  // The draft of the notice in progress among them.
  const Moment moment{*dates::MakeDate(6, 12, 2026), 13, 56, 42};
  const FixedClock clock_for_texts(moment);
  for (const std::string& text : std::initializer_list<std::string>{
           validation::RejectionText({}), validation::ValidateCommunicationHeader("", "", 0).warning,
           validation::ReportFailedRows({98765}),
           validation::SenderFaultText(validation::SenderFaults("", "", "", ""), ui::kSenderRemedyWindow),
           validation::SenderFaultText(validation::SenderFaults(v, "", "x", "x"), ""),
           validation::SenderFaultText(validation::SenderFaults("", "", std::string(73, 'x'), "<&>"), ""),
           ui::TableFullText(), ui::ConfigNotSavedText(v), ui::ConfigNotReadText(v), ui::ManualMissingText(v),
           ui::ManualNotOpenedText(v), ui::UserFolderText(v), ui::UserFolderNotMadeText(v), output::SuccessText(v), output::FailureText(v), output::NotSavedText(v),
           summary::SummaryNotWrittenText(v, v), summary::SummarySavedText(v, true), import::ImportFailureText(98765),
           import::ImportDoneText(98765), import::ImportDoneText(1), import::ImportDoneText(0),
           draft::RecoveryQuestion(98765, moment), draft::RecoveryQuestion(1, moment),
           draft::RecoveryQuestion(98765, moment, true), draft::RecoveryQuestion(0, moment, true),
           draft::UnusableText(v, {Status::Ok(), std::filesystem::path("bozza_danneggiata_" + v + ".nerovale")}),
           draft::NotMovedText({Status::Failure(v), std::filesystem::path(v) / "bozza.nerovale"}),
           draft::UnusableText(v, {Status::Failure(v), {}}), draft::SaveFailedText(v),
           validation::ValidateCommunicationHeader("1", "01/01/2100", 1, moment.date).warning}) {
    add(text);
  }
  // The register of notices: its questions and lines, and what it says of a damaged or newer file.
  {
    SubjectTable table;
    SubjectRow row;
    row[kCognome] = v, row[kNome] = v;
    EXPECT_TRUE(table.Add(row));
    registry::NoticeEntry earlier;
    earlier.numero = v, earlier.data = v, earlier.folder = v, earlier.file_name = v;
    const std::vector<registry::Repeat> repeats(30, registry::Repeat{1, earlier});
    for (const std::string& text : {registry::NotRegisteredText(v), registry::NotGuardedText(v),
                                    registry::NumberUsedQuestion(v, earlier), registry::RepeatedSubjectsQuestion(repeats, table),
                                    registry::RepeatedReason(repeats[0]), registry::RepeatedTip(repeats[0])}) {
      add(text);
    }
  }
  // Signing the notice and the smart card.
  {
    using namespace signature;
    const std::time_t day = 1798675200;  // a day whose date the variable parts stand for
    for (const std::string& text : {SignedText(v, v), NotSignedText(v), WrongPinText(false, false), WrongPinText(true, false),
                                    WrongPinText(false, true), PinLockedText(), ModuleMissingText(kDefaultModule),
                                    NotAModuleText(v, v), NoTokenText(kDefaultModule), NoCertificateText(kDefaultModule),
                                    CertificateNotFoundText(v), NoKeyText(v), NotRsaText(v), ExpiredText(v, day),
                                    NotYetValidText(v, day), NoNonRepudiationQuestion(v), ChangedSinceValidationText(v),
                                    NoValidatedNoticeText()}) {
      add(text);
    }
  }
  for (const auto what : {draft::Leaving::kClose, draft::Leaving::kNewNotice, draft::Leaving::kNotice}) {
    add(draft::UnsavedFormQuestion(what));
  }
  for (const auto what : {draft::Discarding::kExit, draft::Discarding::kNewNotice}) {
    add(draft::DiscardQuestion(98765, what));
    add(draft::DiscardQuestion(1, what));
  }
  using import::ImportFault;
  for (const auto fault : {ImportFault::kUnreadable, ImportFault::kFieldCount, ImportFault::kLineTooLong, ImportFault::kNotText,
                           ImportFault::kControlCharacter, ImportFault::kTableFull, ImportFault::kReferenceTables}) {
    import::ImportResult failed;  // each fault's text takes its own fields
    failed.fault = fault, failed.failed_line = fault == ImportFault::kUnreadable ? 0 : 98765;
    failed.error = ENOENT, failed.fields = 98765, failed.reason = v;
    add(import::ImportFailureText(failed, 0));
  }
  for (const int error : {EACCES, EROFS, ENOSPC, EFBIG, ENOENT, ENOTDIR, EISDIR, EEXIST, ENAMETOOLONG, ELOOP, EIO,
                          EBUSY, files::kNotRegularFile, files::kFileTooLarge, 98765}) {
    add(files::ItalianReason(error));
  }

  // The messages about files, made by the operations that meet the faults.
  testing::TempDir dir;
  UserConfig config;
  for (const char* content : {"", "H501\r\n", "H501\r\nBIAN\x01" "CHI\r\nLUCIA\r\n\r\n\r\n"}) {  // none, short, damaged
    if (*content != 0) dir.Write("config.ini", content);
    add(ReadConfig(dir / "config.ini", config).message());
  }
  add(WriteConfig(dir / "missing" / "config.ini", config).message());
  dir.Write("home/Nerovale", "");  // a file where the user's folder would be made
  add(places::ChooseWorkingFolder(dir / "home", dir / "home").status.message());
  // The register, damaged and unusable.
  dir.Write("reg/registro.sqlite", std::string(4096, 'x'));
  const auto reg = registry::FileRegister(dir / "reg" / "registro.sqlite", clock_for_texts);
  add(reg->Notices().note);
  add(reg->Record({}).note);
  add(registry::FileRegister(dir / "reg", clock_for_texts)->Record({}).status.message());

  add(reference::ReferenceTables(dir.path()).Check().message());
  for (const char* table : {"", "\x01", "ALFA,A001\r\n"}) {  // damaged: empty, not text, no Italy
    dir.Write("ref/FileCodComuni.txt", "ALFA,A001\r\n");
    dir.Write("ref/FileCodStati.txt", table);
    add(reference::ReferenceTables(dir.path()).Check().message());
  }

  // The help of the two commands, line by line.
  std::ostringstream out, err;
  std::istringstream in;
  const LocalClock clock;
  EXPECT_EQ(batch::RunBatch({"--help"}, {dir.path(), clock, out, err}), batch::kWritten);
  EXPECT_EQ(archive::RunTableUpdate({"--help"}, {dir.path(), LocalClock().Now().date, in, out, err}), 0);
  add(out.str());

  const QRegularExpression variable(QString(kVar) + "|98765|" + QRegularExpression::escape(QtFromUtf8(dir.path().string())) +
                                    "\\S*|(?<=riga )\\d+|\\d+(?= soggett)|\\d\\d/\\d\\d/\\d{4}|\\d\\d:\\d\\d");
  for (const QString& message : messages) ExpectInManual(message, message.left(40), variable);
}

// The manual builds: a table of contents that gives every chapter and section with the page it
// starts on, every chapter on its page, and the same text as the PDF kept in docs/.
TEST(ManualPdf, HasAContentsWhosePagesAreRightAndMatchesTheOneKept) {
  testing::TempDir dir;
  const auto pdf = dir / "manuale.pdf";
  const Status written = WriteManualPdf(kSource / "docs" / "manuale", pdf);
  ASSERT_TRUE(written) << written.message();
  const std::string text = testing::PdfText(pdf);
  std::vector<std::string> pages;
  std::stringstream split(text);
  for (std::string page; std::getline(split, page, '\f');) pages.push_back(page);

  std::string error;
  const QString markdown = ManualMarkdown(kSource / "docs" / "manuale", &error);
  std::vector<std::string> chapters;
  for (const QString& line : markdown.split('\n')) {
    if (line.startsWith("# ")) chapters.push_back(line.mid(2).trimmed().toStdString());
  }
  ASSERT_GE(chapters.size(), 10U);
  ASSERT_GT(pages.size(), chapters.size());
  EXPECT_NE(pages[1].find("Indice"), std::string::npos);
  for (const std::string& chapter : chapters) {
    // "Title .... N" in the contents, and page N opens with the chapter's title.
    const QRegularExpression entry(QRegularExpression::escape(QtFromUtf8(chapter)) + "\\s+(\\d+)\\n");
    const QRegularExpressionMatch found = entry.match(QtFromUtf8(pages[1] + pages[2]));
    ASSERT_TRUE(found.hasMatch()) << chapter;
    const auto page = found.captured(1).toULong();
    ASSERT_LE(page, pages.size()) << chapter;
    EXPECT_EQ(pages[page - 1].find_first_not_of(" \n"), pages[page - 1].find(chapter.substr(0, 12))) << chapter;
    EXPECT_NE(pages[page - 1].find("pagina " + std::to_string(page) + " di " + std::to_string(pages.size())),
              std::string::npos) << chapter;
  }

  // The PDF kept with the sources says what a new one says (page numbers and where the page footers
  // fall aside, which a system with other fonts may move): "cmake --build <build> --target manuale"
  // makes it anew.
  const auto Words = [](std::string s) {
    std::erase_if(s, [](char c) { return c >= '0' && c <= '9'; });
    std::string words = testing::WithoutSpaces(s);
    const std::string footer = "Nerovale-Manualeutentepaginadi";
    for (auto at = words.find(footer); at != std::string::npos; at = words.find(footer, at)) words.erase(at, footer.size());
    return words;
  };
  EXPECT_TRUE(Words(testing::PdfText(kSource / "docs" / "Nerovale-Manuale_Utente.pdf")) == Words(text))
      << "docs/Nerovale-Manuale_Utente.pdf is not made from the current docs/manuale: run the target manuale";
}

}  // namespace
}  // namespace nerovale::manual
