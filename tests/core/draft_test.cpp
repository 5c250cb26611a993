#include "core/draft.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "core/text.h"
#include "temp_dir.h"

namespace nerovale::draft {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using Kind = Reading::Kind;

const Moment kSaved{*dates::MakeDate(6, 12, 2026), 9, 5, 7};
const CommunicationHeader kHeader{"123", "05/12/2026"};

SubjectTable TableOf(const std::vector<SubjectRow>& rows) {
  SubjectTable table;
  for (const auto& row : rows) EXPECT_TRUE(table.Add(row));
  return table;
}

// Rows whose cells hold what the operator can type, what an import could once bring, and any byte.
std::vector<SubjectRow> TrickyRows() {
  std::string every_character, every_byte;  // every character of Windows-1252 ("\" and "'" among them)
  for (int code = 0; code <= 0xFF; ++code) {
    every_byte += static_cast<char>(code);
    if (code >= 0x20 && code != 0x7F) every_character += text::Utf8FromCp1252(std::string(1, static_cast<char>(code)));
  }
  SubjectRow accents, characters, bytes;
  accents[kCognome] = "D'AMICO", accents[kNome] = "NICOLÒ ÈVA", accents[kComuneEsteroNascita] = "SÃO PAULO";
  accents[kAttoMorte] = "12\\B/3";  // the certificate number takes both slashes
  characters[kCognome] = every_character;
  // C1 control, line separator, emoji, escapes as text
  characters[kNomePadre] = "\xC2\x85 \xE2\x80\xA8 \xF0\x9F\x98\x80 \\x41 \\t";
  bytes[kNome] = every_byte, bytes[kNumeroProtocollo] = std::string("A\0B", 3);
  return {accents, SubjectRow{}, characters, bytes};
}

// Any byte in any cell, the header and the row colours come back as they were, and the text stays
// one line a subject that a person can read.
TEST(Draft, TrickyRowsComeBackByteForByteAndStayReadable) {
  const SubjectTable table = TableOf(TrickyRows());
  const std::vector<Colour> colours{kWhite, 0xFFC0C0, kWhite, 0x000001};
  const std::string text = Format(kSaved, {"1\t2", "__/1\\_/____"}, table, colours);
  const Reading reading = Parse(text);
  ASSERT_EQ(reading.kind, Kind::kDraft) << reading.fault;
  EXPECT_EQ(reading.draft.saved, kSaved);
  EXPECT_EQ(reading.draft.header.numero + "|" + reading.draft.header.data, "1\t2|__/1\\_/____");
  ASSERT_EQ(reading.draft.rows.size(), 4U);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(reading.draft.rows[r - 1], table.Row(r)) << r;
  EXPECT_EQ(reading.draft.colours, colours);
  // A person reads names as they are, one subject a line, the painted row by its colour.
  EXPECT_TRUE(text.starts_with("Nerovale bozza\t2\nsalvata\t06/12/2026 09:05:07\nnumero\t1\\t2\ndata\t__/1\\\\_/____\n"
                               "soggetti\t4\n#FFFFFF\tD'AMICO\tNICOLÒ ÈVA\t"));
  EXPECT_NE(text.find("\n#FFC0C0\t\t\t"), std::string::npos);
  for (char c : text) ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n');
}

// The open entry form comes back with the row it edits, or as a new subject, and every byte of its
// cells; a draft of version 1, which has no form, is still read, and a form line that is spoilt is
// refused with its reason.
TEST(Draft, TheOpenFormComesBackAndAVersion1DraftIsStillRead) {
  const SubjectTable table = TableOf(TrickyRows());
  SubjectRow awkward = TrickyRows()[3];  // every byte in the name
  awkward[kCognome] = "A\tB\\C\nD\r\nE";
  const std::pair<OpenForm, std::string> forms[] = {
      {{3, awkward}, "\nscheda\t3\nA\\tB\\\\C\\nD\\r\\nE\t"},
      {{0, SubjectRow{}}, "\nscheda\tnuovo\n" + std::string(21, '\t') + "\nfine\n"},
  };
  for (const auto& [form, readable] : forms) {
    for (const SubjectTable& rows : {table, SubjectTable{}}) {  // beside subjects, or alone
      const std::string text = Format(kSaved, kHeader, rows, {}, form);
      const Reading reading = Parse(text);
      ASSERT_EQ(reading.kind, Kind::kDraft) << reading.fault;
      EXPECT_EQ(reading.draft.form, form);
      EXPECT_NE(text.find(readable), std::string::npos) << text.substr(text.rfind("\nscheda"));
    }
  }
  std::string v1 = Format(kSaved, kHeader, table, {});
  v1.replace(v1.find("\t2\n"), 3, "\t1\n");
  const Reading old = Parse(v1);
  ASSERT_EQ(old.kind, Kind::kDraft) << old.fault;
  EXPECT_EQ(old.draft.rows.size(), 4U);
  EXPECT_FALSE(old.draft.form.has_value());

  const std::string empty = Format(kSaved, kHeader, SubjectTable{}, {});
  const std::string head = empty.substr(0, empty.size() - 5), cells = std::string(21, '\t') + "\n";
  const std::pair<std::string, const char*> spoilt[] = {
      {"Nerovale bozza\t1" + head.substr(16) + "scheda\tnuovo\n" + cells + "fine\n", "la riga 6 dovrebbe chiudere la bozza"},
      {head + "scheda\t0\n" + cells + "fine\n", "la riga 6 non dice quale soggetto era in corso di inserimento"},
      {head + "scheda\t2\n" + cells.substr(1) + "fine\n", "la riga 7 non ha le 22 colonne del soggetto in corso di inserimento"},
      {head + "scheda\t2\n", "il file è incompleto: manca il soggetto in corso di inserimento"},
  };
  for (const auto& [text, fault] : spoilt) EXPECT_EQ(Parse(text).fault, fault) << text;
}

// A draft of a full table, 32767 subjects, is written and read back whole.
TEST(Draft, AFullTableComesBack) {
  std::vector<SubjectRow> rows(SubjectTable::kMaxSubjects);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t c = 1; c < kColumnCount; ++c) rows[i].cells[c] = c % 5 == 0 ? "" : std::to_string(c * 100000 + i);
  }
  const SubjectTable table = TableOf(rows);
  std::vector<Colour> colours(rows.size(), kWhite);
  colours.back() = 0xFFC0C0;
  TempDir dir;
  ASSERT_TRUE(Write(dir / "bozza.nerovale", kSaved, kHeader, table, colours));
  const Reading reading = Read(dir / "bozza.nerovale");
  ASSERT_EQ(reading.kind, Kind::kDraft) << reading.fault;
  for (int r = 1; r <= table.Count(); ++r) rows[r - 1] = table.Row(r);  // now numbered
  EXPECT_TRUE(reading.draft.rows == rows);
  EXPECT_EQ(reading.draft.colours, colours);
}

// Whatever a crash, a copy or an editor leaves of a draft is refused as a whole, never half read.
TEST(Draft, ACutOrSpoiltDraftIsRefusedWithItsReason) {
  const std::string whole = Format(kSaved, kHeader, TableOf(TrickyRows()), {}, OpenForm{2, TrickyRows()[2]});
  for (std::size_t size = 0; size < whole.size(); ++size) {
    ASSERT_EQ(Parse(whole.substr(0, size)).kind, Kind::kUnusable) << size;
  }
  const std::string one = Format(kSaved, kHeader, TableOf({SubjectRow{}}), {});
  const std::string head = one.substr(0, one.find('#')), cells = std::string(22, '\t') + "\n";
  const std::pair<std::string, const char*> spoilt[] = {
      {"H501\r\nBIANCHI\r\n", "non è una bozza di Nerovale"},
      {"Nerovale bozza\t3\n", "la bozza è di una versione che questo programma non conosce (3)"},
      {"Nerovale bozza\t1\nsalvata\t31/02/2026 10:00:00\n", "la riga 2 non dice quando la bozza è stata salvata"},
      {head + "fine\n", "il file è incompleto: contiene 0 dei 1 soggetti annunciati"},
      {one + "x", "dopo la riga finale il file contiene altro testo"},
      {head + "#FFFFFF" + cells + "#FFFFFF" + cells + "fine\n", "la riga 7 dovrebbe chiudere la bozza"},
      {head + "#FFFFFF\t" + cells + "fine\n", "la riga 6 non ha il colore e le 22 colonne di un soggetto"},
      {head + "#FFFFFF\t\\q" + cells.substr(1) + "fine\n", "la riga 6 contiene un carattere non ammesso"},
      {head + "FFFFFF" + cells + "fine\n", "la riga 6 non inizia con il colore della riga"},
  };
  for (const auto& [text, fault] : spoilt) EXPECT_EQ(Parse(text).fault, fault) << text;
  // A draft that went through an editor with CR LF line ends still reads.
  std::string crlf;
  for (char c : one) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(Parse(crlf).kind, Kind::kDraft);
  // What is no regular file where the draft lives is refused at once, never read without end or waited on.
  TempDir dir;
  fs::create_symlink("/dev/zero", dir / "zero.nerovale");
  ASSERT_EQ(::mkfifo((dir / "fifo.nerovale").c_str(), 0600), 0);
  for (const char* name : {"zero.nerovale", "fifo.nerovale"}) {
    const Reading read = Read(dir / name);
    EXPECT_EQ(read.kind, Kind::kUnusable) << name;
    EXPECT_EQ(read.fault, "non è un file ordinario (è una pipe, un dispositivo o un socket)") << name;
  }
}

// A program killed at any moment of a save (the temporary file half written, or whole but not yet
// renamed) leaves the draft before the save or the one after it, whole.
TEST(Draft, AKillAtAnyMomentOfASaveLeavesAWholeDraft) {
  TempDir dir;
  const auto file = dir / "bozza.nerovale";
  std::vector<SubjectRow> rows(3000, TrickyRows()[0]);
  const SubjectTable a = TableOf(rows);
  rows.resize(4000, TrickyRows()[2]);
  const SubjectTable b = TableOf(rows);
  // The kills are spread over two saves' time as this build takes it, so that some fall inside a
  // save whether the build is optimised or not.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Write(file, kSaved, kHeader, b, {}));
  ASSERT_TRUE(Write(file, kSaved, kHeader, a, {}));
  const auto two_saves = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  long temporaries = 0;
  for (int kill = 1; kill <= 20 || (temporaries == 0 && kill <= 200); ++kill) {
    const pid_t child = ::fork();
    if (child == 0) {
      for (int i = 0;; ++i) static_cast<void>(Write(file, kSaved, kHeader, i % 2 == 0 ? b : a, {}));
    }
    std::this_thread::sleep_for(two_saves * (kill % 20) / 10);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const Reading reading = Read(file);
    ASSERT_EQ(reading.kind, Kind::kDraft) << kill << ": " << reading.fault;
    const auto size = reading.draft.rows.size();
    EXPECT_TRUE(size == 3000U || size == 4000U) << size;
    temporaries = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) - 1;  // all but the draft
  }
  // Kills fell inside saves: their temporary files are left, and change nothing for the next save.
  EXPECT_GT(temporaries, 0);
  ASSERT_TRUE(Write(file, kSaved, kHeader, a, {}));
  EXPECT_EQ(Read(file).draft.rows.size(), 3000U);
}

// A draft put aside takes a dated name that says why, with a suffix when that name is taken; a draft
// that is not there cannot be moved, and says so.
TEST(Draft, MovedAsideToADatedNameNeverOverAnother) {
  TempDir dir;
  const auto file = dir / "bozza.nerovale";
  const Moment at{*dates::MakeDate(6, 12, 2026), 14, 30, 5};
  const std::pair<Aside, const char*> moves[] = {{Aside::kNotRestored, "bozza_non_ripristinata_20261206_143005.nerovale"},
                                                 {Aside::kNotRestored, "bozza_non_ripristinata_20261206_143005_2.nerovale"},
                                                 {Aside::kUnusable, "bozza_danneggiata_20261206_143005.nerovale"}};
  for (const auto& [why, name] : moves) {
    dir.Write("bozza.nerovale", name);
    EXPECT_EQ(MoveAside(file, why, at).to, dir / name);
    EXPECT_EQ(ReadFile(dir / name), name);
  }
  EXPECT_EQ(Read(file).kind, Kind::kNone);
  EXPECT_EQ(MoveAside(file, Aside::kUnusable, at).status.message(),
            "Impossibile spostare il file " + file.string() + ": il file o la cartella non esiste");
}

// The draft follows the table: written while subjects are unsaved or a draft exists, gone after a
// validated notice until the table changes again.
TEST(Draft, KeepingWritesOnlyWhatIsNotSafe) {
  SubjectTable table;
  Keeping keeping;
  EXPECT_FALSE(keeping.MustWrite(table));  // nothing to keep
  EXPECT_TRUE(table.Add(SubjectRow{}));
  EXPECT_TRUE(keeping.HasUnsavedSubjects(table));
  keeping.Written();
  keeping.NoticeValidated(table.Revision());
  keeping.Removed();
  EXPECT_FALSE(keeping.MustWrite(table));  // a changed number alone does not bring it back
  ASSERT_TRUE(table.SetCell(1, kNome, "MARIA"));
  EXPECT_TRUE(keeping.MustWrite(table));
  keeping.Written();
  ASSERT_TRUE(table.Remove(1));  // the last subject deleted: the draft on the disk must say so
  EXPECT_FALSE(keeping.HasUnsavedSubjects(table));
  EXPECT_TRUE(keeping.MustWrite(table));
  // Typing in the open entry form is worth a draft of its own, and the draft may go once it closes.
  keeping.Removed();
  EXPECT_TRUE(keeping.MustWrite(table, true) && !keeping.MustWrite(table));
  keeping.Written();
  EXPECT_TRUE(keeping.MayGo(table, false) && !keeping.MayGo(table, true));
}

// The questions about unsaved or recovered subjects speak of one subject in the singular (the window's
// tests read them in the plural).
TEST(Draft, OneSubjectIsSaidInTheSingular) {
  EXPECT_EQ(DiscardQuestion(1, Discarding::kExit),
            "Il soggetto inserito non è stato salvato in un file XML. Uscire comunque?");
  EXPECT_TRUE(RecoveryQuestion(1, kSaved).starts_with("È stata trovata una comunicazione non terminata con 1 soggetto ("));
}

}  // namespace
}  // namespace nerovale::draft
