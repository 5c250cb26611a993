#include "ui/summary_print.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <utility>

#include "summary/summary.h"
#include "summary/summary_texts.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace nerovale::ui {
namespace {

PrintHook& Hook() {
  static PrintHook hook;
  return hook;
}

void Print(QPrinter& printer, const summary::Pages& pages) {
  QPainter painter(&printer);
  const double scale = printer.resolution() / 72.0;
  const int count = static_cast<int>(pages.pages.size());
  int first = printer.fromPage() > 0 ? printer.fromPage() : 1;
  int last = printer.toPage() > 0 ? std::min(printer.toPage(), count) : count;
  for (int p = first; p <= last; ++p) {
    if (p != first) printer.newPage();
    PaintSummaryPage(painter, pages.pages[static_cast<std::size_t>(p - 1)], scale);
  }
}

}  // namespace

void SetPrintHook(PrintHook hook) { Hook() = std::move(hook); }

void PaintSummaryPage(QPainter& painter, const summary::Page& page, double scale) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (const auto& shade : page.shades) {
    const int grey = static_cast<int>(shade.grey * 255);
    painter.fillRect(QRectF(shade.x * scale, shade.y * scale, shade.width * scale, shade.height * scale),
                     QColor(grey, grey, grey));
  }
  for (const auto& rule : page.rules) {
    const int grey = static_cast<int>(rule.grey * 255);
    painter.setPen(QPen(QColor(grey, grey, grey), rule.width * scale));
    painter.drawLine(QPointF(rule.x1 * scale, rule.y1 * scale), QPointF(rule.x2 * scale, rule.y2 * scale));
  }
  painter.setPen(Qt::black);
  for (const auto& run : page.texts) {
    QFont font(QStringLiteral("Helvetica"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(run.size * scale + 0.5)));
    font.setBold(run.face == summary::Face::kBold);
    painter.setFont(font);
    const QString text = QtText(run.text);
    const double wanted = summary::TextWidth(run.text, run.face, run.size) * scale;
    const double actual = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
    painter.save();
    painter.translate(run.x * scale, run.y * scale);
    if (actual > wanted && wanted > 0) painter.scale(wanted / actual, 1.0);
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
  }
  painter.restore();
}

void OfferSummary(QWidget* parent, session::NoticeSession& session) {
  if (!session.last_notice()) return;
  const std::filesystem::path notice_file = session.last_notice()->file;
  const auto pdf = summary::SummaryPathBeside(notice_file, session.last_notice()->header);
  const auto made = session.MakeSummary();
  const Status saved = made ? summary::WriteSummary(*made, pdf)
                            : Status::Failure("Impossibile leggere il file " + notice_file.string());
  if (!saved) {
    Say(parent, Icon::kWarning, QtText(summary::SummaryNotWrittenText(saved.message(), notice_file.string())));
    return;
  }
  const summary::Pages pages = summary::LayOut(*made);
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setFullPage(true);
  printer.setDocName(QtText(pages.title));
  printer.setFromTo(0, 0);
  bool print = false;
  if (Hook()) {
    print = Hook()(printer);
  } else {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(" " + QtText(std::string(summary::kStampaRiepilogo)));
    dialog.setMinMax(1, static_cast<int>(pages.pages.size()));
    print = dialog.exec() == QDialog::Accepted;
  }
  if (print) Print(printer, pages);
  Say(parent, Icon::kNone, QtText(summary::SummarySavedText(pdf.string(), print)));
}

}  // namespace nerovale::ui
