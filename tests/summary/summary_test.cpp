// The summary of a notice: the digest of its file, and its pages read back as a person's PDF reader
// reads them.
#include "summary/summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string_view>
#include <vector>

#include "notice_fixture.h"
#include "pdf_text.h"
#include "temp_dir.h"

namespace nerovale::summary {
namespace {

using testing::PdfText;
using testing::WithoutSpaces;

class SummaryPdf : public ::testing::Test {
 protected:
  static SubjectRow Subject(const std::string& cognome, const std::string& nome) {
    SubjectRow r = testing::ValidItalianRow();  // died in MILANO (F205)
    r[kCognome] = cognome, r[kNome] = nome, r[kAttoMorte] = "123/A";
    return r;
  }

  std::filesystem::path Write() {
    const Summary summary{"ROMA", {"H501", "BIANCHI", "LUCIA"}, {"123", "30/11/2026"},
                          dir / "Nerovale_20261206,1030" / "nerovale_123_20261130.xml", std::string(64, 'f'),
                          {*dates::MakeDate(6, 12, 2026), 10, 30}, table};
    EXPECT_TRUE(WriteSummary(summary, dir / "riepilogo.pdf"));
    return dir / "riepilogo.pdf";
  }

  testing::TempDir dir;
  SubjectTable table;
};

// The long word's lines: four runs of at most 20 W, the first after a line of another name, the
// last followed by " ANNA".
bool WrappedInFourLines(const std::string& column) {
  std::vector<std::string> lines;
  std::istringstream in(column);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const auto only_w = [](std::string_view part) {
    return !part.empty() && part.size() <= 20 && part.find_first_not_of('W') == std::string_view::npos;
  };
  for (std::size_t i = 4; i < lines.size(); ++i) {
    const std::string_view last = lines[i];
    if (!last.ends_with(" ANNA") || !only_w(last.substr(0, last.size() - 5))) continue;
    return only_w(lines[i - 1]) && only_w(lines[i - 2]) && only_w(lines[i - 3]) && !lines[i - 4].empty() &&
           lines[i - 4][0] != 'W';
  }
  return false;
}

// Accents, apostrophes and names too long for their column come back whole, in order, and inside
// their column: a character drawn past it would fall out of the column's crop box.
TEST_F(SummaryPdf, TrickyNamesWrapWithinTheirColumnAndComeBackWhole) {
  const std::string long_word(72, 'W');
  const std::string long_words = "DEGLI ALBERI DI SANT'ANGELO IN VADO DEI CONTI GUIDI DI CASTEL SAN PIETRO";  // 72
  const std::vector<std::pair<std::string, std::string>> names = {
      {"D'ANGELO", "MARIA ASSUNTA"}, {"DELL'ACQUA", "NICCOLÒ"},  {"MÜLLER", "HANS JÜRGEN"},
      {"CANTÙ", "ÈVA ÇELIK"},         {long_word, "ANNA"},         {long_words, "GIANFRANCO"},
  };
  for (const auto& [cognome, nome] : names) ASSERT_TRUE(table.Add(Subject(cognome, nome)));
  const auto pdf = Write();

  // The name column: 36 points of margin, 28 of the number column, 150 wide; on page 1 the table
  // starts below the notice's details, at about 208 points.
  std::string expected = "Cognomeenome";
  for (const auto& [cognome, nome] : names) expected += WithoutSpaces(cognome + nome);
  const std::string column = PdfText(pdf, "-f 1 -l 1 -x 64 -y 200 -W 150 -H 357");
  EXPECT_EQ(WithoutSpaces(column), expected) << column;
  // The 72 wide letters take four lines of the column, none longer than 20 of them, the name after the last.
  EXPECT_TRUE(WrappedInFourLines(column)) << column;

  const std::string all = PdfText(pdf, "-layout");
  for (const std::string& text : std::vector<std::string>{
           "Riepilogo della comunicazione n. 123 del 30/11/2026", "Comune di ROMA (H501)", "BIANCHI LUCIA",
           "nerovale_123_20261130.xml", "Nerovale_20261206,1030", "06/12/2026 alle 10:30", "MILANO (F205)", "123/A",
           "RSSMRA50C05H501F", "pagina 1 di 1", std::string(64, 'f')}) {
    EXPECT_NE(all.find(text), std::string::npos) << text;
  }
}

// Rows go from page to page whole: every number once, in order, and every page says which of how many.
TEST_F(SummaryPdf, ManySubjectsFillNumberedPagesWithoutLosingARow) {
  for (int i = 0; i < 250; ++i) ASSERT_TRUE(table.Add(Subject(i % 7 == 0 ? std::string(72, 'L') : "ROSSI", "ANNA")));
  const auto pdf = Write();
  const std::string all = PdfText(pdf);
  const auto pages = static_cast<int>(std::count(all.begin(), all.end(), '\f'));
  ASSERT_GT(pages, 5);
  // The number column of every page, below its header (the footer starts at 557): its title, then
  // the numbers in order.
  std::string numbers;
  for (int p = 1; p <= pages; ++p) {
    const std::string page = std::to_string(p);
    const int top = p == 1 ? 200 : 50;
    EXPECT_NE(all.find("pagina " + page + " di " + std::to_string(pages)), std::string::npos) << p;
    numbers += PdfText(pdf, "-f " + page + " -l " + page + " -x 36 -y " + std::to_string(top) + " -H " +
                                std::to_string(557 - top) + " -W 28");
  }
  std::string seen = WithoutSpaces(numbers), in_order;
  int titles = 0;
  for (auto at = seen.find("N."); at != std::string::npos; at = seen.find("N.")) seen.erase(at, 2), ++titles;
  for (int i = 1; i <= 250; ++i) in_order += std::to_string(i);
  EXPECT_EQ(titles, pages);
  EXPECT_EQ(seen, in_order);
}

// The summary lies beside the notice's folder, numbered from (2) when one is there already.
TEST(SummaryName, LiesBesideTheNoticeFolderAndNeverReplacesAnEarlierOne) {
  testing::TempDir dir;
  const CommunicationHeader header{"123", "30/11/2026"};
  const auto notice = dir / "Nerovale_20261206,1030" / "nerovale_123_20261130.xml";
  EXPECT_EQ(SummaryPathBeside(notice, header), dir / "nerovale_123_20261130_riepilogo.pdf");
  dir.Write("nerovale_123_20261130_riepilogo.pdf", "earlier");
  dir.Write("nerovale_123_20261130_riepilogo(2).pdf", "earlier");
  EXPECT_EQ(SummaryPathBeside(notice, header), dir / "nerovale_123_20261130_riepilogo(3).pdf");
}

}  // namespace
}  // namespace nerovale::summary
