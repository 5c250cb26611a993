#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

#include "core/status.h"

// The user manual, made from its Markdown chapters (docs/manuale/*.md, in the order of their names)
// and the pictures they show.
namespace nerovale::manual {

// The chapters' Markdown, joined in order; empty, with the reason, when the folder holds none or one
// cannot be read.
QString ManualMarkdown(const std::filesystem::path& folder, std::string* error);

// What a reader of the manual reads: the chapters' text as the PDF shows it, without the marks of
// Markdown.
QString ManualPlainText(const std::filesystem::path& folder, std::string* error);

// Makes the manual as a PDF file: A4 pages, a cover, a table of contents with the page of every
// chapter and section, every chapter on a new page, the pictures scaled to the page, and "pagina N
// di M" at the foot of every page but the cover. The file carries no date of its making, so the
// same chapters and pictures give the same file.
[[nodiscard]] Status WriteManualPdf(const std::filesystem::path& folder, const std::filesystem::path& pdf);

}  // namespace nerovale::manual
