#include "summary/summary.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/dates.h"
#include "core/text.h"
#include "output/notice_folder.h"
#include "summary/pdf_file.h"
#include "reference/reference_tables.h"
#include "signature/digest.h"

namespace nerovale::summary {
namespace {

namespace fs = std::filesystem;

// Landscape A4 in points.
constexpr double kWidth = 841.89;
constexpr double kHeight = 595.28;
constexpr double kLeft = 36;
constexpr double kRight = kWidth - 36;
constexpr double kBottom = kHeight - 38;  // the last row ends above this line; the footer lies below

constexpr double kCellSize = 8;
constexpr double kCellLeading = 9.6;
constexpr double kCellPadding = 2.6;
constexpr double kHeadSize = 7.5;

struct Column {
  const char* title;
  double width;
};
constexpr std::array<Column, 10> kColumns = {{
    {"N.", 28},
    {"Cognome e nome", 150},
    {"Sesso", 30},
    {"Codice fiscale", 100},
    {"Data di nascita", 50},
    {"Luogo di nascita", 108},
    {"Data di decesso", 50},
    {"Luogo di decesso", 108},
    {"Atto di morte", 48},
    {"Comune dell'atto", 97.89},
}};

// A piece of text in one face; a line of a cell is a list of them.
struct Piece {
  std::string text;
  Face face = Face::kRegular;
};
using Line = std::vector<Piece>;

// The longest start of a word that fits a width, at least one character so that wrapping always moves on.
std::size_t FittingPrefix(const std::u32string& word, Face face, double size, double width) {
  std::size_t n = 1;
  while (n < word.size() && TextWidth(text::Encode(word.substr(0, n + 1)), face, size) <= width) ++n;
  return n;
}

// Words (split at blanks) laid into lines no wider than width; a word wider than the whole line is
// broken between characters, so nothing is ever cut.
std::vector<Line> Wrap(const std::vector<Piece>& pieces, double size, double width) {
  std::vector<Line> lines(1);
  double used = 0;
  const double blank = TextWidth(" ", Face::kRegular, size);
  const auto place = [&](std::string word, Face face) {
    const double w = TextWidth(word, face, size);
    Line& line = lines.back();
    if (!line.empty() && used + blank + w > width) {
      lines.emplace_back();
      used = 0;
    }
    Line& target = lines.back();
    if (!target.empty()) {
      used += blank;
      if (target.back().face == face) {
        target.back().text += ' ' + word;
        used += w;
        return;
      }
      target.back().text += ' ';
    }
    target.push_back({std::move(word), face});
    used += w;
  };
  for (const Piece& piece : pieces) {
    std::size_t start = 0;
    const std::string& s = piece.text;
    while (start <= s.size()) {
      const std::size_t end = std::min(s.find(' ', start), s.size());
      if (end > start) {
        std::u32string word = text::Decode(s.substr(start, end - start));
        while (TextWidth(text::Encode(word), piece.face, size) > width) {
          if (!lines.back().empty()) {
            lines.emplace_back();
            used = 0;
          }
          const std::size_t n = FittingPrefix(word, piece.face, size, width);
          place(text::Encode(word.substr(0, n)), piece.face);
          word.erase(0, n);
        }
        if (!word.empty()) place(text::Encode(word), piece.face);
      }
      start = end + 1;
    }
  }
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

// The runs of wrapped lines from a point: each line's pieces one after the other.
void Draw(Page& page, const std::vector<Line>& lines, double x, double y, double size, double leading) {
  for (const Line& line : lines) {
    double at = x;
    for (const Piece& piece : line) {
      page.texts.push_back({at, y, piece.face, size, piece.text});
      at += TextWidth(piece.text, piece.face, size);
    }
    y += leading;
  }
}

// A place as the office reads it: the municipality and its code, or the foreign town and the country.
std::string Place(const std::string& comune, const std::string& codice_comune, const std::string& estero,
                  const std::string& nazione, const std::string& codice_nazione) {
  if (codice_nazione == reference::kItalyCode || (!codice_comune.empty() && estero.empty())) {
    return codice_comune.empty() ? comune : comune + " (" + codice_comune + ")";
  }
  std::string place = estero;
  if (!nazione.empty()) place += (place.empty() ? "" : ", ") + nazione;
  if (!codice_nazione.empty()) place += " (" + codice_nazione + ")";
  return place;
}

std::string TwoDigits(int n) {
  std::string digits(n < 10 ? 1 : 0, '0');  // appended to: GCC 12 warns wrongly about "0" + string at -O3
  digits += std::to_string(n);
  return digits;
}

class Layout {
 public:
  explicit Layout(const Summary& summary) : s_(summary) {
    pages_.width = kWidth;
    pages_.height = kHeight;
    pages_.title = "Riepilogo della comunicazione n. " + s_.header.numero + " del " + s_.header.data;
  }

  Pages Run() {
    NewPage();
    FirstPageBlock();
    TableHead();
    for (int r = 1; r <= s_.subjects.Count(); ++r) Row(s_.subjects.Row(r));
    Footers();
    return std::move(pages_);
  }

 private:
  Page& page() { return pages_.pages.back(); }

  void NewPage() {
    pages_.pages.emplace_back();
    const double size = 9;
    page().texts.push_back({kLeft, 40, Face::kBold, size, pages_.title});
    const std::string sender = "Comune di " + s_.nome_comune + " (" + s_.sender.codice_comune + ")";
    page().texts.push_back({kRight - TextWidth(sender, Face::kRegular, size), 40, Face::kRegular, size, sender});
    page().rules.push_back({kLeft, 45, kRight, 45, 0.6, 0});
    y_ = 58;
  }

  void FirstPageBlock() {
    page().texts.push_back({kLeft, y_ + 8, Face::kBold, 15, "Riepilogo della comunicazione dei decessi"});
    y_ += 28;
    const auto& w = s_.written;
    std::vector<std::pair<const char*, std::string>> items = {{
        {"Comune mittente", s_.nome_comune + " (codice " + s_.sender.codice_comune + ")"},
        {"Referente", s_.sender.cognome_referente + " " + s_.sender.nome_referente},
        {"Comunicazione", "numero " + s_.header.numero + " del " + s_.header.data},
        {"File XML", s_.file.filename().string()},
        {"Cartella", s_.file.parent_path().string()},
        {"SHA-256 del file", s_.sha256},
        {"Scritto il", dates::FormatDdMmYyyy(w.date) + " alle " + TwoDigits(w.hour) + ":" + TwoDigits(w.minute)},
        {"Soggetti", std::to_string(s_.subjects.Count())},
    }};
    if (!s_.signed_file.empty()) {
      items.emplace_back("Firmato da", s_.signer);
      items.emplace_back("File firmato", s_.signed_file);
    }
    const double size = 9.5;
    const double value_x = kLeft + 110;
    for (const auto& [label, value] : items) {
      page().texts.push_back({kLeft, y_, Face::kBold, size, label});
      const auto lines = Wrap({{value, Face::kRegular}}, size, kRight - value_x);
      Draw(page(), lines, value_x, y_, size, 12);
      y_ += 12.0 * static_cast<double>(lines.size()) + 2;
    }
    y_ += 10;
  }

  void TableHead() {
    std::vector<std::vector<Line>> cells;
    std::size_t height = 1;
    for (const Column& column : kColumns) {
      cells.push_back(Wrap({{column.title, Face::kBold}}, kHeadSize, column.width - 2 * kCellPadding));
      height = std::max(height, cells.back().size());
    }
    const double h = 2 * kCellPadding + 9 * static_cast<double>(height);
    page().shades.push_back({kLeft, y_, kRight - kLeft, h, 0.87});
    double x = kLeft;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      Draw(page(), cells[c], x + kCellPadding, y_ + kCellPadding + kHeadSize, kHeadSize, 9);
      x += kColumns[c].width;
    }
    y_ += h;
  }

  void Row(const SubjectRow& row) {
    const std::array<std::vector<Piece>, 10> values = {{
        {{row[kNumero]}},
        {{row[kCognome], Face::kBold}, {row[kNome]}},
        {{row[kSesso]}},
        {{row[kCodiceFiscale]}},
        {{row[kDataNascita]}},
        {{Place(row[kComuneNascita], row[kCodComuneNascita], row[kComuneEsteroNascita], row[kNazioneNascita],
                row[kCodNazioneNascita])}},
        {{row[kDataDecesso]}},
        {{Place(row[kComuneDecesso], row[kCodComuneDecesso], row[kComuneEsteroDecesso], row[kNazioneDecesso],
                row[kCodNazioneDecesso])}},
        {{row[kAttoMorte]}},
        {{row[kComuneAtto] + (row[kCodComuneAtto].empty() ? "" : " (" + row[kCodComuneAtto] + ")")}},
    }};
    std::array<std::vector<Line>, 10> cells;
    std::size_t height = 1;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      cells[c] = Wrap(values[c], kCellSize, kColumns[c].width - 2 * kCellPadding);
      height = std::max(height, cells[c].size());
    }
    const double h = 2 * kCellPadding + kCellLeading * static_cast<double>(height);
    if (y_ + h > kBottom) {
      NewPage();
      TableHead();
    }
    double x = kLeft;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      Draw(page(), cells[c], x + kCellPadding, y_ + kCellPadding + kCellSize * 0.8, kCellSize, kCellLeading);
      x += kColumns[c].width;
    }
    y_ += h;
    page().rules.push_back({kLeft, y_, kRight, y_, 0.3, 0.6});
  }

  void Footers() {
    const std::size_t count = pages_.pages.size();
    const std::string left = "Nerovale - " + s_.file.filename().string();
    for (std::size_t i = 0; i < count; ++i) {
      Page& p = pages_.pages[i];
      const double y = kHeight - 22;
      p.rules.push_back({kLeft, y - 10, kRight, y - 10, 0.6, 0});
      p.texts.push_back({kLeft, y, Face::kRegular, 8, left});
      const std::string number = "pagina " + std::to_string(i + 1) + " di " + std::to_string(count);
      p.texts.push_back({kRight - TextWidth(number, Face::kRegular, 8), y, Face::kRegular, 8, number});
    }
  }

  const Summary& s_;
  Pages pages_;
  double y_ = 0;
};

}  // namespace

std::optional<Summary> MakeSummary(const output::Notice& notice, std::string nome_comune, const fs::path& file,
                                   const Moment& written) {
  auto sha = signature::FileSha256Hex(file);
  if (!sha) return std::nullopt;
  return Summary{std::move(nome_comune), notice.sender, notice.header, file, std::move(*sha), written, notice.subjects};
}

Pages LayOut(const Summary& summary) { return Layout(summary).Run(); }

Status WriteSummary(const Summary& summary, const fs::path& pdf) {
  return files::WriteAtomically(pdf, PdfBytes(LayOut(summary)));
}

std::string SummaryFileName(const CommunicationHeader& header) {
  std::string name = output::NoticeFileName(header);
  name.resize(name.size() - std::string_view(".xml").size());
  return name + "_riepilogo.pdf";
}

fs::path SummaryPathBeside(const fs::path& notice_file, const CommunicationHeader& header) {
  const fs::path folder = notice_file.parent_path().parent_path();
  const std::string name = SummaryFileName(header);
  fs::path path = folder / name;
  const std::string stem = name.substr(0, name.size() - std::string_view(".pdf").size());
  std::error_code ec;
  for (int n = 2; fs::exists(fs::symlink_status(path, ec)); ++n) path = folder / (stem + "(" + std::to_string(n) + ").pdf");
  return path;
}

}  // namespace nerovale::summary
