#pragma once

#include <filesystem>
#include <functional>

#include "session/notice_session.h"
#include "summary/pages.h"

class QPainter;
class QPrinter;
class QWidget;

namespace nerovale::ui {

// Draws one page of the summary on a painter whose device shows the whole sheet, scale device
// pixels to the point. The fonts are the system's Helvetica or its look-alike; a run that the
// look-alike makes wider than Helvetica is narrowed to its place, so the columns never overlap.
void PaintSummaryPage(QPainter& painter, const summary::Page& page, double scale);

// "Stampa riepilogo" after a validated notice (the session's last): the summary is saved beside the
// notice folder (never in it), then the system's print dialog is offered, and the operator is told
// where the file is.
void OfferSummary(QWidget* parent, session::NoticeSession& session);

// Tests answer the print dialog through this hook instead of a modal window: it may set the printer
// up (a PDF file, for instance) and answers whether to print; an empty hook shows the dialog.
using PrintHook = std::function<bool(QPrinter&)>;
void SetPrintHook(PrintHook hook);

}  // namespace nerovale::ui
