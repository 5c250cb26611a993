// The register of notices on real SQLite files: what goes in comes back, the guard's look-ups, and a
// register that is damaged, newer or older. One killed half way through a write is the kill test's:
// it kills nerovale-batch at the register's writes and syncs and checks the register after each.
#include "register/register.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "notice_fixture.h"
#include "temp_dir.h"

namespace nerovale::registry {
namespace {

namespace fs = std::filesystem;

const FixedClock kClock({*dates::MakeDate(7, 12, 2026), 9, 5, 1});

NoticeRecord Notice(std::string numero, std::string data, std::vector<SubjectRow> subjects) {
  NoticeRecord notice{std::move(numero), std::move(data), "H501", "BIANCHI", "LUCIA", kClock.Now(), "/srv/out/N", "n.xml",
                      std::string(64, 'a'), 1234, std::move(subjects)};
  for (std::size_t r = 0; r < notice.subjects.size(); ++r) notice.subjects[r][kNumero] = std::to_string(r + 1);
  return notice;
}

// Runs SQL on the file as another program would (the sqlite3 shell of an office).
std::string Sql(const fs::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  std::string out;
  char* error = nullptr;
  sqlite3_exec(
      db, sql.c_str(),
      [](void* text, int n, char** values, char**) {
        for (int i = 0; i < n; ++i) *static_cast<std::string*>(text) += std::string(values[i] ? values[i] : "") + "|";
        return 0;
      },
      &out, &error);
  if (error != nullptr) out += std::string("ERROR ") + error;
  sqlite3_free(error);
  sqlite3_close(db);
  return out;
}

class RegisterFile : public ::testing::Test {
 protected:
  testing::TempDir dir;
  fs::path file = dir / "registro.sqlite";
  std::unique_ptr<Register> reg = FileRegister(file, kClock);
};

// Every cell comes back byte for byte, a full notice as well as awkward rows; the look-ups of the
// next notice's guard find what they must and nothing else.
TEST_F(RegisterFile, RecordsWholeNoticesAndGuardsTheNext) {
  EXPECT_FALSE(reg->HighestNumber("H501", 2026).value.has_value());  // no register yet: nothing, and no file made
  EXPECT_FALSE(fs::exists(file));

  SubjectRow tricky = testing::ValidItalianRow();
  tricky[kCognome] = "D'ÀNGELO \"X\" \\ % _", tricky[kNome] = "ÉMILE  ÑUÑEZ", tricky[kNomePadre] = "";
  tricky[kComuneEsteroDecesso] = std::string("\xff\xfe", 2) + "bytes";
  const NoticeRecord first = Notice("12", "30/11/2026", {testing::ValidItalianRow(), tricky, testing::ValidForeignRow()});
  const auto recorded = reg->Record(first);
  ASSERT_TRUE(recorded.status) << recorded.status.message();
  EXPECT_EQ(reg->Subjects(recorded.value).value, first.subjects);

  std::vector<SubjectRow> full(SubjectTable::kMaxSubjects, testing::ValidForeignRow());
  for (std::size_t r = 0; r < full.size(); ++r) full[r][kCognome] = "COGNOME" + std::to_string(r);
  const NoticeRecord second = Notice("0130", "02/12/2026", full);
  const auto big = reg->Record(second);
  ASSERT_TRUE(big.status) << big.status.message();
  EXPECT_EQ(reg->Subjects(big.value).value, second.subjects);
  ASSERT_TRUE(reg->Record(Notice("900", "31/12/2025", {tricky})).status);  // last year's

  const auto notices = reg->Notices().value;
  ASSERT_EQ(notices.size(), 3U);
  EXPECT_EQ(notices[0].numero, "900");  // same moment: the last recorded first
  EXPECT_EQ(notices[1].subjects, SubjectTable::kMaxSubjects);
  EXPECT_EQ(notices[2].File(), fs::path("/srv/out/N/n.xml"));
  EXPECT_EQ(notices[2].written, kClock.Now());
  EXPECT_EQ(notices[2].sha256, std::string(64, 'a'));

  EXPECT_EQ(reg->HighestNumber("H501", 2026).value, 130);  // as a number, this year, this sender
  EXPECT_EQ(reg->HighestNumber("H501", 2025).value, 900);
  EXPECT_FALSE(reg->HighestNumber("F205", 2026).value.has_value());
  EXPECT_EQ(reg->Numbered("H501", "130", 2026).value->data, "02/12/2026");
  EXPECT_FALSE(reg->Numbered("H501", "900", 2026).value.has_value());

  // The same codice fiscale; without one on either side the names and dates in any written form; a
  // different codice fiscale is another person whatever the names.
  SubjectRow same_code = testing::ValidItalianRow();
  same_code[kCognome] = "ALTRO";
  SubjectRow same_person = testing::ValidForeignRow();
  same_person[kCognome] = " cognome7 ", same_person[kDataDecesso] = "10/1/2024";
  SubjectRow other_code = testing::ValidItalianRow();
  other_code[kCodiceFiscale] = "RSSMRA50C05H501X";
  SubjectRow new_person = testing::ValidForeignRow();
  new_person[kCognome] = "NUOVO";
  const std::vector<SubjectRow> next = {new_person, same_code, same_person, other_code};
  const auto repeats = reg->Repeats(next);
  ASSERT_TRUE(repeats.status);
  ASSERT_EQ(repeats.value.size(), 2U);
  EXPECT_EQ(repeats.value[0].row, 2);
  EXPECT_EQ(repeats.value[0].earlier.numero, "900");  // the latest notice that carried it
  EXPECT_EQ(repeats.value[1].row, 3);
  EXPECT_EQ(repeats.value[1].earlier.numero, "0130");

  const auto hits = reg->Find("d'àngelo", 10).value;  // upper-cased, % and _ taken literally
  ASSERT_EQ(hits.size(), 2U);
  EXPECT_EQ(hits[0].notice.numero, "900");
  EXPECT_EQ(hits[1].subject, first.subjects[1]);
  EXPECT_TRUE(reg->Find("%", 10).value.empty());
}

// A damaged register goes aside under a dated name, whole, and a new one begins; a register of a
// newer program is refused and left as it is; one of the first version is brought forward; a path
// that cannot hold a register is named with its cause.
TEST_F(RegisterFile, DamagedNewerOlderAndUnusableRegisters) {
  const std::string garbage(8192, 'x');
  dir.Write("registro.sqlite", garbage);
  dir.Write("registro_danneggiato_20261207_090501.sqlite", "taken");
  auto recorded = reg->Record(Notice("1", "01/12/2026", {testing::ValidItalianRow()}));
  ASSERT_TRUE(recorded.status) << recorded.status.message();
  const fs::path aside = dir / "registro_danneggiato_20261207_090501_2.sqlite";
  EXPECT_EQ(recorded.note, "Il registro delle comunicazioni " + file.string() +
                               " era danneggiato (il file è danneggiato o non è un registro): è stato spostato in " +
                               aside.string() + " e ne è stato iniziato uno nuovo.");
  EXPECT_EQ(testing::ReadFile(aside), garbage);
  EXPECT_EQ(reg->Notices().value.size(), 1U);

  Sql(file, "PRAGMA user_version = 3");
  const std::string before = testing::ReadFile(file);
  recorded = reg->Record(Notice("2", "01/12/2026", {testing::ValidItalianRow()}));
  EXPECT_FALSE(recorded.status);
  EXPECT_EQ(recorded.status.message(), "Impossibile usare il registro delle comunicazioni " + file.string() +
                                           ": è stato scritto da una versione più recente del programma (versione 3 "
                                           "del registro; questo programma conosce fino alla versione 2): non viene "
                                           "modificato");
  EXPECT_FALSE(reg->Repeats(std::vector{testing::ValidItalianRow()}).status);
  EXPECT_EQ(testing::ReadFile(file), before);

  // Version 1, as the first program wrote it: no look-up key, no indexes.
  fs::remove(file);
  ASSERT_TRUE(reg->Record(Notice("3", "01/12/2026", {testing::ValidForeignRow()})).status);
  Sql(file, "ALTER TABLE soggetti DROP COLUMN chiave; DROP INDEX soggetti_codice_fiscale; DROP INDEX soggetti_chiave; "
            "DROP INDEX comunicazioni_mittente; PRAGMA user_version = 1");
  const auto repeats = reg->Repeats(std::vector{testing::ValidForeignRow()});
  ASSERT_TRUE(repeats.status) << repeats.status.message();
  EXPECT_EQ(repeats.value.size(), 1U);
  EXPECT_EQ(Sql(file, "PRAGMA user_version"), "2|");

  for (const fs::path& unusable : {dir / "cartella", dir / "manca" / "registro.sqlite"}) {
    fs::create_directories(dir / "cartella");
    const auto failed = FileRegister(unusable, kClock)->Record(Notice("4", "01/12/2026", {testing::ValidItalianRow()}));
    EXPECT_FALSE(failed.status);
    EXPECT_TRUE(failed.status.message().starts_with("Impossibile usare il registro delle comunicazioni " +
                                                    unusable.string() + ": "))
        << failed.status.message();
  }
}

}  // namespace
}  // namespace nerovale::registry
