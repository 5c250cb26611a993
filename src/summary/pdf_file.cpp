#include "summary/pdf_file.h"

#include <cstdio>
#include <vector>

#include "core/text.h"

namespace nerovale::summary {
namespace {

// A number in points, two decimals at most.
void Number(std::string& out, double value) {
  char buffer[32];
  const int n = std::snprintf(buffer, sizeof buffer, "%.2f", value);
  std::string_view text(buffer, static_cast<std::size_t>(n));
  while (text.ends_with('0')) text.remove_suffix(1);
  if (text.ends_with('.')) text.remove_suffix(1);
  if (text == "-0") text = "0";
  out += text;
}

// A PDF string literal of Windows-1252 bytes.
void String(std::string& out, std::string_view utf8) {
  out += '(';
  for (const char c : text::Cp1252FromUtf8(utf8)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", byte);
      out += octal;
    } else {
      out += c;
    }
  }
  out += ')';
}

std::string Content(const Page& page, double height) {
  std::string s;
  s.reserve(page.texts.size() * 48 + page.rules.size() * 40);
  for (const Shade& shade : page.shades) {
    Number(s, shade.grey);
    s += " g ";
    Number(s, shade.x);
    s += ' ';
    Number(s, height - shade.y - shade.height);
    s += ' ';
    Number(s, shade.width);
    s += ' ';
    Number(s, shade.height);
    s += " re f\n";
  }
  for (const Rule& rule : page.rules) {
    Number(s, rule.grey);
    s += " G ";
    Number(s, rule.width);
    s += " w ";
    Number(s, rule.x1);
    s += ' ';
    Number(s, height - rule.y1);
    s += " m ";
    Number(s, rule.x2);
    s += ' ';
    Number(s, height - rule.y2);
    s += " l S\n";
  }
  s += "0 g BT\n";
  Face face = Face::kRegular;
  double size = -1;
  for (const TextRun& run : page.texts) {
    if (run.face != face || run.size != size) {
      face = run.face;
      size = run.size;
      s += face == Face::kBold ? "/F2 " : "/F1 ";
      Number(s, size);
      s += " Tf\n";
    }
    s += "1 0 0 1 ";
    Number(s, run.x);
    s += ' ';
    Number(s, height - run.y);
    s += " Tm ";
    String(s, run.text);
    s += " Tj\n";
  }
  s += "ET\n";
  return s;
}

class Writer {
 public:
  Writer() { out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

  // Objects are numbered in the order they are written.
  int Object(std::string_view body) {
    offsets_.push_back(out_.size());
    const int number = static_cast<int>(offsets_.size());
    out_ += std::to_string(number) + " 0 obj\n";
    out_ += body;
    out_ += "\nendobj\n";
    return number;
  }
  int Stream(std::string_view data) {
    std::string body = "<< /Length " + std::to_string(data.size()) + " >>\nstream\n";
    body += data;
    body += "\nendstream";
    return Object(body);
  }
  std::string Finish(int root, int info) {
    const std::size_t xref = out_.size();
    out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets_) {
      char line[24];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
      out_ += line;
    }
    out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(root) +
            " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return std::move(out_);
  }

 private:
  std::string out_;
  std::vector<std::size_t> offsets_;
};

}  // namespace

std::string PdfBytes(const Pages& pages) {
  Writer writer;
  // Fixed numbers for the objects that everything refers to: 1 catalog, 2 page tree, 3 and 4 fonts.
  const int count = static_cast<int>(pages.pages.size());
  const int first_page = 6;  // after the information dictionary; each page is followed by its content
  writer.Object("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids = "<< /Type /Pages /Count " + std::to_string(count) + " /Kids [";
  for (int i = 0; i < count; ++i) kids += std::to_string(first_page + 2 * i) + " 0 R ";
  kids += "] >>";
  writer.Object(kids);
  writer.Object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  writer.Object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
  std::string info = "<< /Producer (Nerovale) /Title ";
  String(info, pages.title);
  info += " >>";
  const int info_object = writer.Object(info);
  std::string media;
  Number(media, pages.width);
  media += ' ';
  Number(media, pages.height);
  for (int i = 0; i < count; ++i) {
    writer.Object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + media +
                  "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " +
                  std::to_string(first_page + 2 * i + 1) + " 0 R >>");
    writer.Stream(Content(pages.pages[static_cast<std::size_t>(i)], pages.height));
  }
  return writer.Finish(1, info_object);
}

}  // namespace nerovale::summary
