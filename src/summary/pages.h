#pragma once

#include <string>
#include <string_view>
#include <vector>

// Pages laid out once, in points from the top left corner of the sheet, and drawn by whoever draws
// them: the PDF file of the summary and the printer of the window show the same pages.
namespace nerovale::summary {

// The two faces of the standard Helvetica font that every PDF reader has.
enum class Face { kRegular, kBold };

struct TextRun {
  double x = 0;     // left end
  double y = 0;     // baseline
  Face face = Face::kRegular;
  double size = 8;  // points
  std::string text;  // UTF-8
};

struct Rule {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double width = 0.5;
  double grey = 0;  // 0 black, 1 white
};

struct Shade {
  double x = 0, y = 0, width = 0, height = 0;
  double grey = 0.9;
};

struct Page {
  std::vector<Shade> shades;  // drawn first
  std::vector<Rule> rules;
  std::vector<TextRun> texts;
};

struct Pages {
  double width = 0;
  double height = 0;
  std::string title;
  std::vector<Page> pages;
};

// The width of a text in a face and size, by the font's own metrics; a character that Windows-1252
// cannot hold counts as the "?" it is written as.
double TextWidth(std::string_view utf8, Face face, double size);

}  // namespace nerovale::summary
