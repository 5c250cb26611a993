#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace nerovale::testing {

// The text of a PDF file as pdftotext (poppler-utils) reads it, with its options ("-layout", a
// crop box "-x 66 -y 0 -W 150 -H 600", ...); pages are separated by form feeds.
inline std::string PdfText(const std::filesystem::path& pdf, const std::string& options = "") {
  const std::string command = "pdftotext -enc UTF-8 " + options + " '" + pdf.string() + "' - 2>&1";
  std::string text;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    ::pclose(pipe);
  }
  return text;
}

// The text without any blank, tab, line break or form feed: what is left when lines may wrap anywhere.
inline std::string WithoutSpaces(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f') out += c;
  }
  return out;
}

}  // namespace nerovale::testing
