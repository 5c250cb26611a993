// The steps of a notice as the window and nerovale-batch both take them.
#include "session/notice_session.h"

#include <gtest/gtest.h>

#include "notice_fixture.h"
#include "pdf_text.h"
#include "temp_dir.h"
#include "validation/table_check.h"

namespace nerovale::session {
namespace {

using Failed = CheckOutcome::Failed;

class Session : public ::testing::Test {
 protected:
  testing::TempDir dir;
  FixedClock clock{{*dates::MakeDate(6, 12, 2026), 14, 30, 0}};
  NoticeSession session{dir.path(), clock};

  Session() {
    std::filesystem::create_directories(dir / "ref");
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "validate.xsd"}) {
      std::filesystem::copy_file(std::filesystem::path(NEROVALE_SOURCE_DIR) / "ref" / file, dir / "ref" / file);
    }
    session.config() = {"H501", "BIANCHI", "LUCIA", "", ""};
    EXPECT_TRUE(session.table().Add(testing::ValidItalianRow()));
  }
};

// The checks in their order: the sender, then the number and date with the count, then (for rows
// no form checked) every row; each failure says what it found, and nothing passes after it.
TEST_F(Session, TheChecksStopAtTheFirstStepThatFails) {
  session.config().CognomeReferente = " ";
  CheckOutcome outcome = session.Check({"12", "30/11/2026"});
  EXPECT_EQ(outcome.failed, Failed::kSender);
  EXPECT_EQ(outcome.sender_faults, std::vector<std::string>{"- Cognome del Referente non inserito"});
  session.config().CognomeReferente = "BIANCHI";

  outcome = session.Check({"", "31/02/2026"});
  EXPECT_EQ(outcome.failed, Failed::kHeader);
  EXPECT_EQ(outcome.header_warning, validation::ValidateCommunicationHeader("", "31/02/2026", 1).warning);  // one subject

  SubjectRow refused = testing::ValidItalianRow();
  refused[kSesso] = "X";
  EXPECT_TRUE(session.table().Add(refused));
  EXPECT_TRUE(session.Check({"12", "30/11/2026"}).ok());  // rows of the form were checked as they came
  session.SetImportoFile(true);
  outcome = session.Check({"12", "30/11/2026"});
  EXPECT_EQ(outcome.failed, Failed::kRows);
  ASSERT_EQ(outcome.rows.size(), 1U);
  EXPECT_EQ(outcome.rows[0].row, 2);
  EXPECT_FALSE(session.StillAsChecked({"12", "30/11/2026"}));
}

// A notice is written only from what the checks passed: any change since (a row, the number, the
// date, the sender) asks for them again; a date given otherwise than dd/mm/yyyy is written so.
TEST_F(Session, WhatWasCheckedIsWhatIsWritten) {
  ASSERT_TRUE(session.Check({"12", "5/3/2026"}).ok());
  EXPECT_EQ(session.header().data, "05/03/2026");
  EXPECT_TRUE(session.StillAsChecked({"12", "05/03/2026"}));
  EXPECT_FALSE(session.StillAsChecked({"13", "05/03/2026"}));
  EXPECT_FALSE(session.StillAsChecked({"12", "06/03/2026"}));
  session.config().NomeReferente = "ANNA";
  EXPECT_FALSE(session.StillAsChecked({"12", "05/03/2026"}));
  session.config().NomeReferente = "LUCIA";
  EXPECT_TRUE(session.StillAsChecked({"12", "05/03/2026"}));
  EXPECT_TRUE(session.table().Add(testing::ValidForeignRow()));
  EXPECT_FALSE(session.StillAsChecked({"12", "05/03/2026"}));
}

// The notice of the checked header goes into a folder named by the clock, and its summary is made
// from the file as it is on the disk.
TEST_F(Session, TheNoticeAndItsSummary) {
  EXPECT_FALSE(session.WriteSummary(dir / "none.pdf"));  // no notice yet
  EXPECT_TRUE(session.table().Add(testing::ValidForeignRow()));
  ASSERT_TRUE(session.Check({"12", "30/11/2026"}).ok());
  std::filesystem::create_directory(dir / "out");
  const output::NoticeOutcome outcome = session.WriteNotice(dir / "out");
  ASSERT_TRUE(outcome.valid) << outcome.message;
  EXPECT_EQ(outcome.file, dir / "out" / "Nerovale_20261206,1430" / "nerovale_12_20261130.xml");
  ASSERT_TRUE(session.last_notice().has_value());
  EXPECT_EQ(session.last_notice()->revision, session.table().Revision());
  ASSERT_TRUE(session.WriteSummary(dir / "riepilogo.pdf"));
  const std::string text = testing::PdfText(dir / "riepilogo.pdf");
  EXPECT_NE(text.find("ROMA"), std::string::npos);
  EXPECT_NE(text.find("06/12/2026"), std::string::npos) << text;
  EXPECT_NE(testing::WithoutSpaces(text).find("PARIGI,FRANCIA(Z110)"), std::string::npos) << text;
}

// Each validated notice goes into the register beside config.ini, and the register guards the next:
// the number proposed after this year's highest (none after the year's turn), a number used this
// year, the subjects sent before. The notice's date is not after today and not before its deaths.
TEST_F(Session, TheRegisterRecordsEachNoticeAndGuardsTheNext) {
  std::filesystem::create_directory(dir / "out");
  EXPECT_EQ(session.ProposedNumber().value, "");
  ASSERT_TRUE(session.Check({"12", "30/11/2026"}).ok());
  ASSERT_TRUE(session.WriteNotice(dir / "out").valid);
  EXPECT_EQ(session.last_notice()->registration.state, Registration::State::kRegistered);
  EXPECT_EQ(session.ProposedNumber().value, "13");

  ASSERT_TRUE(session.Check({"12", "1/12/2026"}).ok());
  EXPECT_TRUE(session.NumberUsed().value.has_value() && session.RepeatedSubjects().value.size() == 1U);

  clock.Set({*dates::MakeDate(2, 1, 2027), 8, 0, 0});
  EXPECT_EQ(session.ProposedNumber().value, "");
  ASSERT_TRUE(session.Check({"12", "2/1/2027"}).ok());
  EXPECT_FALSE(session.NumberUsed().value.has_value());
  CheckOutcome outcome = session.Check({"12", "3/1/2027"});
  EXPECT_EQ(outcome.failed, Failed::kHeader);
  EXPECT_NE(outcome.header_warning.find("- Data comunicazione successiva alla data odierna"), std::string::npos);
  outcome = session.Check({"12", "9/1/2024"});  // the form's row died on 10/01/2024
  ASSERT_EQ(outcome.failed, Failed::kRows);
  ASSERT_EQ(outcome.rows.size(), 1U);
  EXPECT_EQ(outcome.rows[0].conditions, std::vector{validation::TableCondition::kDecessoDopoComunicazione});

  session.UseRegister(nullptr);
  ASSERT_TRUE(session.Check({"14", "2/1/2027"}).ok());
  ASSERT_TRUE(session.WriteNotice(dir / "out").valid);
  EXPECT_EQ(session.last_notice()->registration.state, Registration::State::kNoRegister);
  EXPECT_EQ(registry::FileRegister(dir / "registro.sqlite", clock)->Notices().value.size(), 1U);
}

}  // namespace
}  // namespace nerovale::session
