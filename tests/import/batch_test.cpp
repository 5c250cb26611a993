// End-to-end runs of nerovale-batch in a temporary working directory.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>

#include "csv_fixture.h"
#include "temp_dir.h"

namespace nerovale {
namespace {

using testing::TempDir;

class Batch : public ::testing::Test {
 protected:
  TempDir work;
  TempDir dest;

  Batch() {
    const std::filesystem::path source(NEROVALE_SOURCE_DIR);
    std::filesystem::create_directories(work / "ref");
    for (const char* file : {"FileCodComuni.txt", "FileCodStati.txt", "validate.xsd"}) {
      std::filesystem::copy_file(source / "ref" / file, work / "ref" / file);
    }
    work.Write("config.ini", "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
  }

  // Runs the command in the working directory; its exit status, with everything it printed in output.
  int Run(const std::string& arguments) {
    const std::string command = "cd '" + work.path().string() + "' && '" NEROVALE_BATCH "' " + arguments + " > out.txt 2>&1";
    const int status = std::system(command.c_str());
    output = testing::ReadFile(work / "out.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Args(const std::string& csv) { return "--numero 123 --data 30/11/2026 --dest '" + dest.path().string() + "' " + csv; }
  std::vector<std::filesystem::path> Written() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dest.path())) files.push_back(entry.path());
    return files;
  }

  std::string output;
};

TEST_F(Batch, GoodFileGivesOneFolderWithOneValidFile) {
  work.Write("good.csv", testing::kGoodCsv);
  ASSERT_EQ(Run(Args("good.csv")), 0) << output;
  EXPECT_NE(output.find("XML validato e salvato con successo!\nIl file si trova"), std::string::npos) << output;
  const auto written = Written();
  ASSERT_EQ(written.size(), 2U);  // the folder and the file in it
  const auto file = *std::max_element(written.begin(), written.end());
  EXPECT_EQ(file.filename(), "nerovale_123_20261130.xml");
  EXPECT_EQ(file.parent_path().filename().string().rfind("Nerovale_", 0), 0U);
  EXPECT_FALSE(std::filesystem::exists(work / "config.ini.tmp"));
  EXPECT_EQ(testing::ReadFile(work / "config.ini"), "H501\r\nBIANCHI\r\nLUCIA\r\n\r\n\r\n");
}

TEST_F(Batch, BadRowsAreNamedAndNothingIsWritten) {
  std::string csv = testing::kGoodCsv;
  csv += "verdi,anna,x,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,2020,9\r\n";  // sex X
  csv += "neri,luca,m,1/1/1950,roma,,,,,1/1/2020,,roma,,1,roma,,9\r\n";      // no protocol year
  work.Write("bad.csv", csv);
  EXPECT_EQ(Run(Args("bad.csv")), 1);
  EXPECT_NE(output.find("Sono stati riscontrati errori nei Soggetti alle seguenti righe: 3 , 4"), std::string::npos) << output;
  EXPECT_TRUE(Written().empty());
}

TEST_F(Batch, ImportFailureHeaderFailureAndEnvironmentFaults) {
  work.Write("good.csv", testing::kGoodCsv);
  work.Write("short.csv", "a;b;c\r\n");
  EXPECT_EQ(Run(Args("good.csv short.csv")), 1);
  EXPECT_NE(output.find("Errore nel file importato alla riga 1\nVerificare i separatori"), std::string::npos) << output;

  EXPECT_EQ(Run("--numero 123 --data 31/02/2026 --dest '" + dest.path().string() + "' good.csv"), 1);
  EXPECT_NE(output.find("- Data comunicazione non immessa o non valida"), std::string::npos) << output;

  EXPECT_EQ(Run("--numero 12/3 --data 30/11/2026 --dest '" + dest.path().string() + "' good.csv"), 2);
  EXPECT_EQ(Run("--numero 123 good.csv"), 2);
  EXPECT_EQ(Run("--help"), 0);
  EXPECT_NE(output.find("Codici di uscita"), std::string::npos);

  std::filesystem::remove(work / "ref" / "FileCodStati.txt");
  EXPECT_EQ(Run(Args("good.csv")), 2);
  EXPECT_NE(output.find("FileCodStati.txt"), std::string::npos) << output;

  std::filesystem::remove(work / "config.ini");
  EXPECT_EQ(Run(Args("good.csv")), 2);
  EXPECT_FALSE(std::filesystem::exists(work / "config.ini"));
  EXPECT_TRUE(Written().empty());
}

}  // namespace
}  // namespace nerovale
