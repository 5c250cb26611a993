#include "archive/csv_reader.h"

namespace nerovale::archive {

CsvReader::Outcome CsvReader::Next(std::vector<std::string>& fields) {
  fields.clear();
  if (pos_ >= text_.size()) return Outcome::kEnd;
  record_line_ = line_;
  for (;;) {
    std::string field;
    const bool read = pos_ < text_.size() && text_[pos_] == '"' ? ReadQuoted(field) : ReadPlain(field);
    if (!read) return Outcome::kMalformed;
    fields.push_back(std::move(field));
    if (pos_ >= text_.size()) return Outcome::kRecord;
    if (text_[pos_] == ',') {
      ++pos_;
      continue;
    }
    // Only a line end is left here: both readers stop at a comma, a line end or the end of the text.
    if (text_[pos_] == '\r') ++pos_;
    ++pos_;
    ++line_;
    return Outcome::kRecord;
  }
}

bool CsvReader::ReadQuoted(std::string& field) {
  ++pos_;  // the opening quote
  for (;;) {
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_++];
    if (c == '"') {
      if (pos_ < text_.size() && text_[pos_] == '"') {
        field.push_back('"');
        ++pos_;
        continue;
      }
      return pos_ >= text_.size() || text_[pos_] == ',' || AtLineEnd();
    }
    if (c == '\n') ++line_;
    field.push_back(c);
  }
}

bool CsvReader::ReadPlain(std::string& field) {
  const std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
    if (text_[pos_] == '"') return false;
    ++pos_;
  }
  field.assign(text_.substr(start, pos_ - start));
  return true;
}

bool CsvReader::AtLineEnd() const noexcept {
  return text_[pos_] == '\n' || (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n');
}

}  // namespace nerovale::archive
