#include "manual/manual_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <memory>

#include "core/system_files.h"
#include "core/version.h"

namespace nerovale::manual {
namespace {

namespace fs = std::filesystem;

// The PDF's own resolution; the text layout measures margins, paddings, borders and pictures in
// pixels of 96 to the inch and scales them to the device itself.
constexpr int kDpi = 300;
constexpr double kLayoutDpi = 96;
constexpr double Mm(double mm) { return mm / 25.4 * kLayoutDpi; }
constexpr double Pt(double pt) { return pt / 72.0 * kLayoutDpi; }
constexpr double DeviceMm(double mm) { return mm / 25.4 * kDpi; }

const QColor kTitleColour(31, 58, 95);

QFont BodyFont(double points) {
  QFont font;
  font.setFamilies({"DejaVu Sans", "Liberation Sans", "Noto Sans", "Sans Serif"});
  font.setPointSizeF(points);
  font.setStyleStrategy(QFont::PreferNoShaping);  // no "fi" ligatures: the text stays searchable as typed
  return font;
}

struct Heading {
  int level;
  QString text;
};

// The headings of levels 1 and 2 of the chapters, outside code blocks, in order.
std::vector<Heading> Headings(const QString& markdown) {
  std::vector<Heading> headings;
  bool code = false;
  for (const QString& line : markdown.split('\n')) {
    if (line.startsWith("```")) code = !code;
    if (code) continue;
    if (line.startsWith("# ")) headings.push_back({1, line.mid(2).trimmed()});
    if (line.startsWith("## ")) headings.push_back({2, line.mid(3).trimmed()});
  }
  return headings;
}

QString QtVersionText() { return QString::fromUtf8(kVersionText.data(), static_cast<qsizetype>(kVersionText.size())); }

// The cover and the table of contents, in Markdown, with the pages known so far (0: not yet).
QString FrontMatter(const std::vector<Heading>& headings, const std::vector<int>& pages) {
  QString md =
      "Nerovale\n\nManuale utente\n\nComunicazione dei decessi all'autorità che la riceve, per l'Ufficio di Stato "
      "Civile del Comune\n\n" + QtVersionText() + "\n\n# Indice\n\n| Capitolo | Pagina |\n|---|---:|\n";
  for (std::size_t i = 0; i < headings.size(); ++i) {
    QString title = headings[i].text;
    title.replace('|', "\\|");
    md += "| " + title + " | " + (pages[i] > 0 ? QString::number(pages[i]) : QString("00")) + " |\n";
  }
  return md + "\n";
}

void SetBlockFont(QTextCursor cursor, const QTextBlock& block, double points, bool bold, const QColor& colour) {
  cursor.setPosition(block.position());
  cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
  QTextCharFormat format;
  format.setFontPointSize(points);
  format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
  format.setForeground(colour);
  cursor.mergeCharFormat(format);
}

void SetBlockFormat(QTextCursor cursor, const QTextBlock& block, const QTextBlockFormat& format) {
  cursor.setPosition(block.position());
  cursor.mergeBlockFormat(format);
}

// The look of the manual over what Markdown gives: headings, quoted messages, code, tables and
// pictures. Pictures are read from the chapters' folder and scaled to the page.
bool Style(QTextDocument& doc, const fs::path& folder, double text_width, std::string* error) {
  QTextCursor cursor(&doc);
  bool cover = true;
  int cover_line = 0;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    QTextBlockFormat format = block.blockFormat();
    const int level = format.headingLevel();
    if (level > 0) cover = false;
    if (cover) {
      const double sizes[] = {40, 22, 13, 12};
      SetBlockFont(cursor, block, sizes[std::min(cover_line, 3)], cover_line < 2, kTitleColour);
      QTextBlockFormat centred;
      centred.setAlignment(Qt::AlignHCenter);
      centred.setTopMargin(cover_line == 0 ? Mm(70) : Pt(cover_line == 3 ? 40 : 14));
      SetBlockFormat(cursor, block, centred);
      ++cover_line;
      continue;
    }
    QTextBlockFormat change;
    if (level == 1) {
      change.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      change.setBottomMargin(Pt(12));
      SetBlockFont(cursor, block, 20, true, kTitleColour);
    } else if (level == 2) {
      change.setTopMargin(Pt(16));
      change.setBottomMargin(Pt(4));
      SetBlockFont(cursor, block, 13.5, true, kTitleColour);
    } else if (level >= 3) {
      change.setTopMargin(Pt(10));
      change.setBottomMargin(Pt(2));
      SetBlockFont(cursor, block, 11, true, Qt::black);
    } else if (format.hasProperty(QTextFormat::BlockQuoteLevel)) {
      change.setBackground(QColor(238, 241, 246));
      change.setLeftMargin(Pt(18));
      change.setRightMargin(Pt(18));
      change.setTopMargin(Pt(3));
      change.setBottomMargin(Pt(3));
      change.setIndent(0);
    } else if (format.hasProperty(QTextFormat::BlockCodeFence)) {
      change.setBackground(QColor(244, 244, 244));
      SetBlockFont(cursor, block, 8.5, false, Qt::black);
    }
    SetBlockFormat(cursor, block, change);

    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.charFormat().isImageFormat()) continue;
      QTextImageFormat image = fragment.charFormat().toImageFormat();
      const QString name = image.name();
      const fs::path file = folder / name.toStdString();
      QImage picture(QString::fromStdString(file.string()));
      if (picture.isNull()) {
        *error = "Immagine illeggibile: " + file.string();
        return false;
      }
      // Screen pixels a little smaller than on the screen, never wider than the text.
      const double scale = std::min(0.8, text_width / picture.width());
      image.setWidth(picture.width() * scale);
      image.setHeight(picture.height() * scale);
      doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
      QTextCursor c(&doc);
      c.setPosition(fragment.position());
      c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      c.setCharFormat(image);
      QTextBlockFormat centred;
      centred.setAlignment(Qt::AlignHCenter);
      SetBlockFormat(cursor, block, centred);
    }
  }

  // Tables: thin borders, some air in the cells, the first row shaded, as wide as the text; the
  // table of contents right-aligns its page numbers.
  bool first_table = true;
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (table == nullptr) continue;
    QTextTableFormat format = table->format();
    format.setBorder(Pt(0.5));
    format.setBorderBrush(QColor(160, 160, 160));
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(Pt(3));
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    if (first_table) {
      format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 86),
                                        QTextLength(QTextLength::PercentageLength, 14)});
    }
    table->setFormat(format);
    for (int c = 0; c < table->columns(); ++c) {
      QTextTableCellFormat head;
      head.setBackground(QColor(226, 232, 240));
      table->cellAt(0, c).setFormat(head);
    }
    first_table = false;
  }
  return true;
}

// Code and commands in the one fixed-pitch face that every machine of the project has (the fonts of
// fonts-dejavu-core), not in whatever the desktop calls monospace: the pages, and so the contents'
// page numbers, come out the same on every machine.
void PinFixedPitchFont(QTextDocument& doc) {
  const QString system_fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.fontFixedPitch() && !format.fontFamilies().toStringList().contains(system_fixed)) continue;
      QTextCursor cursor(&doc);
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      QTextCharFormat pinned;
      pinned.setFontFamilies({"DejaVu Sans Mono"});
      cursor.mergeCharFormat(pinned);
    }
  }
}

// The text without the cover and the contents, for ManualPlainText.
std::unique_ptr<QTextDocument> Document(const QString& markdown) {
  auto doc = std::make_unique<QTextDocument>();
  doc->setDefaultFont(BodyFont(10));
  doc->setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  PinFixedPitchFont(*doc);
  return doc;
}

// The page (from 1) of every heading of levels 1 and 2 after the contents, in order.
std::vector<int> HeadingPages(const QTextDocument& doc, double page_height) {
  std::vector<int> pages;
  bool contents = true;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    const int level = block.blockFormat().headingLevel();
    if (level == 0 || level > 2) continue;
    if (contents) {  // "Indice" itself
      contents = false;
      continue;
    }
    const double top = doc.documentLayout()->blockBoundingRect(block).top();
    pages.push_back(static_cast<int>(top / page_height) + 1);
  }
  return pages;
}

// Indents the sections of the contents under their chapters, whose titles are bold.
void StyleContents(QTextDocument& doc, const std::vector<Heading>& headings) {
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (table == nullptr) continue;
    for (int r = 1; r < table->rows() && static_cast<std::size_t>(r) <= headings.size(); ++r) {
      const Heading& heading = headings[static_cast<std::size_t>(r - 1)];
      for (int c = 0; c < 2; ++c) {
        QTextCursor cursor = table->cellAt(r, c).firstCursorPosition();
        QTextBlockFormat format;
        if (c == 0 && heading.level == 2) format.setLeftMargin(Pt(16));
        if (c == 1) format.setAlignment(Qt::AlignRight);
        cursor.mergeBlockFormat(format);
        if (heading.level == 1) {
          cursor.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
          QTextCharFormat bold;
          bold.setFontWeight(QFont::Bold);
          cursor.mergeCharFormat(bold);
        }
      }
    }
    return;  // the first table only
  }
}

// The date of making that the PDF library writes, put back to a fixed one of the same length.
void RemoveDates(QByteArray& bytes) {
  for (const QByteArray& key : {QByteArray("/CreationDate (D:"), QByteArray("<xmp:CreateDate>"),
                               QByteArray("<xmp:ModifyDate>"), QByteArray("<xmp:MetadataDate>")}) {
    for (qsizetype at = bytes.indexOf(key); at >= 0; at = bytes.indexOf(key, at + 1)) {
      const QByteArray fixed = "20000101000000";
      for (qsizetype i = 0; i < fixed.size() && at + key.size() + i < bytes.size(); ++i) {
        char& c = bytes[at + key.size() + i];
        if (c >= '0' && c <= '9') c = fixed[i];
      }
    }
  }
}

}  // namespace

QString ManualMarkdown(const fs::path& folder, std::string* error) {
  std::vector<fs::path> chapters;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".md") chapters.push_back(entry.path());
  }
  std::sort(chapters.begin(), chapters.end());
  if (chapters.empty()) {
    *error = "Nessun capitolo del manuale in " + folder.string();
    return {};
  }
  QString markdown;
  for (const auto& chapter : chapters) {
    QFile file(QString::fromStdString(chapter.string()));
    if (!file.open(QIODevice::ReadOnly)) {
      *error = "Impossibile leggere " + chapter.string();
      return {};
    }
    markdown += QString::fromUtf8(file.readAll()) + "\n\n";
  }
  // The chapters name the version as "{versione}", so that it is written once, in the build.
  return markdown.replace("{versione}", QtVersionText());
}

QString ManualPlainText(const fs::path& folder, std::string* error) {
  const QString markdown = ManualMarkdown(folder, error);
  if (markdown.isEmpty()) return {};
  return Document(markdown)->toPlainText();
}

Status WriteManualPdf(const fs::path& folder, const fs::path& pdf) {
  std::string error;
  const QString chapters = ManualMarkdown(folder, &error);
  if (chapters.isEmpty()) return Status::Failure(error);
  const std::vector<Heading> headings = Headings(chapters);

  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(kDpi);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setTitle("Nerovale - Manuale utente");
  writer.setCreator("Nerovale");
  const QSizeF paper(writer.width(), writer.height());

  // The contents take the pages of the first layout, which they do not change (their page numbers
  // stand in a column of their own); a second layout proves it.
  std::vector<int> pages(headings.size(), 0);
  std::unique_ptr<QTextDocument> doc;
  for (int pass = 0; pass < 4; ++pass) {
    doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&writer);
    doc->setDefaultFont(BodyFont(10));
    doc->setMarkdown(FrontMatter(headings, pages) + chapters, QTextDocument::MarkdownDialectGitHub);
    PinFixedPitchFont(*doc);
    const double text_width = paper.width() * kLayoutDpi / kDpi - Mm(40);
    if (!Style(*doc, folder, text_width, &error)) return Status::Failure(error);
    StyleContents(*doc, headings);
    QTextFrameFormat root = doc->rootFrame()->frameFormat();
    root.setLeftMargin(Mm(20));
    root.setRightMargin(Mm(20));
    root.setTopMargin(Mm(18));
    root.setBottomMargin(Mm(22));
    doc->rootFrame()->setFrameFormat(root);
    doc->setPageSize(paper);
    const std::vector<int> found = HeadingPages(*doc, paper.height());
    if (found.size() != headings.size()) return Status::Failure("Titoli del manuale non riconosciuti");
    if (found == pages) break;
    pages = found;
  }

  QPainter painter(&writer);
  const int count = doc->pageCount();
  QFont foot = BodyFont(8);
  for (int page = 0; page < count; ++page) {
    if (page > 0) writer.newPage();
    painter.save();
    const QRectF sheet(0, page * paper.height(), paper.width(), paper.height());
    painter.translate(0, -sheet.top());
    painter.setClipRect(sheet);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = sheet;
    doc->documentLayout()->draw(&painter, context);
    painter.restore();
    if (page == 0) continue;  // the cover
    painter.setFont(foot);
    painter.setPen(QColor(90, 90, 90));
    const QRectF line(DeviceMm(20), paper.height() - DeviceMm(14), paper.width() - DeviceMm(40), DeviceMm(6));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, "Nerovale - Manuale utente");
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                     QString("pagina %1 di %2").arg(page + 1).arg(count));
  }
  painter.end();
  QByteArray bytes = buffer.data();
  RemoveDates(bytes);
  return files::WriteAtomically(pdf, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace nerovale::manual
