#pragma once

#include <string>

#include "summary/pages.h"

namespace nerovale::summary {

// The pages as a PDF file (version 1.4): Helvetica and Helvetica-Bold in WinAnsiEncoding, which every
// reader has, so nothing is embedded; text outside Windows-1252 is written as "?". The file holds no
// date or random number, so the same pages always give the same bytes.
std::string PdfBytes(const Pages& pages);

}  // namespace nerovale::summary
