#include "output/notice_output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/dates.h"
#include "notice_fixture.h"
#include "temp_dir.h"

namespace nerovale::output {
namespace {

using testing::TempDir;

LocalTime At(int hour, int minute) { return {*dates::MakeDate(5, 12, 2026), hour, minute}; }

class NoticeOutput : public ::testing::Test {
 protected:
  TempDir dir;
  Sender sender{"H501", "BIANCHI", "LUCIA"};
  CommunicationHeader header{"123", "30/11/2026"};
  SubjectTable table;
  NoticeFolderMaker folders;
  std::filesystem::path schema = std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / "validate.xsd";

  NoticeOutcome Write(const LocalTime& now) { return WriteNotice({sender, header, table, schema}, dir.path(), now, folders); }
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(NoticeOutput, ValidNoticeLeavesOneFolderWithOneFile) {
  table.Add(testing::ValidItalianRow());
  table.Add(testing::ValidForeignRow());
  const NoticeOutcome outcome = Write(At(14, 30));
  ASSERT_TRUE(outcome.valid) << outcome.message;
  EXPECT_EQ(outcome.message,
            "XML validato e salvato con successo!\r\nIl file si trova nella directory selezionata dentro la cartella "
            "\r\n'Nerovale_20261205,1430'");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Nerovale_20261205,1430"});
  EXPECT_EQ(outcome.file, dir / "Nerovale_20261205,1430" / "nerovale_123_20261130.xml");
  EXPECT_TRUE(std::filesystem::exists(outcome.file));
}

TEST_F(NoticeOutput, FoldersAcrossTheSameMinuteTheNextAndAnExistingSuffix) {
  table.Add(testing::ValidItalianRow());
  EXPECT_TRUE(Write(At(14, 30)).valid);
  EXPECT_TRUE(Write(At(14, 30)).valid);
  std::filesystem::create_directory(dir / "Nerovale_20261205,1430(3)");  // left by an earlier run
  EXPECT_TRUE(Write(At(14, 30)).valid);
  EXPECT_TRUE(Write(At(14, 31)).valid);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Nerovale_20261205,1430", "Nerovale_20261205,1430(2)",
                                                 "Nerovale_20261205,1430(3)", "Nerovale_20261205,1430(4)",
                                                 "Nerovale_20261205,1431"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "Nerovale_20261205,1430(3)"));
}

TEST_F(NoticeOutput, FailedValidationRemovesOnlyWhatItMade) {
  dir.Write("Nerovale_20261205,1430/earlier.xml", "<kept/>");
  SubjectRow row = testing::ValidItalianRow();
  row[kSesso] = "X";
  table.Add(row);
  const NoticeOutcome outcome = Write(At(14, 30));
  EXPECT_FALSE(outcome.valid);
  EXPECT_EQ(outcome.message.rfind("ATTENZIONE! LA VALIDAZIONE DEL FILE NON E' ANDATA A BUON FINE!\r\n", 0), 0U);
  EXPECT_NE(outcome.message.find("SESSO"), std::string::npos) << outcome.message;
  EXPECT_EQ(Entries(), std::vector<std::string>{"Nerovale_20261205,1430"});
  EXPECT_EQ(testing::ReadFile(dir / "Nerovale_20261205,1430" / "earlier.xml"), "<kept/>");
}

TEST_F(NoticeOutput, DirectoryThatCannotHoldAFolderGivesAPlainReason) {
  table.Add(testing::ValidItalianRow());
  const auto not_a_directory = dir.Write("file.txt", "x");
  const NoticeOutcome outcome = WriteNotice({sender, header, table, schema}, not_a_directory, At(9, 5), folders);
  EXPECT_FALSE(outcome.valid);
  EXPECT_NE(outcome.message.find("Impossibile creare la cartella " + (not_a_directory / "Nerovale_20261205,0905").string()),
            std::string::npos)
      << outcome.message;
}

TEST(NoticeFileName, FromTheHeaderCopies) {
  EXPECT_EQ(NoticeFileName({"123", "30/11/2026"}), "nerovale_123_20261130.xml");
  EXPECT_EQ(NoticeFileName({"7", ""}), "nerovale_7_.xml");  // never reads beyond the text
}

}  // namespace
}  // namespace nerovale::output
