#include "core/draft.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "core/system_files.h"
#include "core/text_file.h"

namespace nerovale::draft {
namespace {

constexpr std::string_view kMagic = "Nerovale bozza";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
// Far above what 32,767 full rows take: a larger file is not a draft.
constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

// Bytes written as they are, without a look at the next ones: printable ASCII but the backslash.
constexpr bool IsPlain(unsigned char c) noexcept { return c >= 0x20 && c < 0x7F && c != '\\'; }

// The length of the well-formed UTF-8 character that starts at text[i], or 0. The C1 control
// characters (U+0080 to U+009F) count as not well formed here, so that they are escaped like the
// other control characters.
std::size_t Utf8Length(std::string_view text, std::size_t i) noexcept {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const auto continuation = [&](std::size_t k) { return i + k < text.size() && (at(k) & 0xC0) == 0x80; };
  const unsigned char lead = at(0);
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) && !(lead == 0xC2 && at(1) < 0xA0) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    if ((lead == 0xE0 && at(1) < 0xA0) || (lead == 0xED && at(1) > 0x9F)) return 0;  // overlong, surrogate
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    if ((lead == 0xF0 && at(1) < 0x90) || (lead == 0xF4 && at(1) > 0x8F)) return 0;  // overlong, past U+10FFFF
    return 4;
  }
  return 0;
}

void AppendEscaped(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t run = i;
    while (run < text.size() && IsPlain(static_cast<unsigned char>(text[run]))) ++run;
    out.append(text, i, run - i);
    if (run == text.size()) return;
    i = run;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      if (const std::size_t length = Utf8Length(text, i); length != 0) {
        out.append(text, i, length);
        i += length;
        continue;
      }
    }
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        out += "\\x";
        out += kHexDigits[c >> 4];
        out += kHexDigits[c & 15];
    }
    ++i;
  }
}

std::string TwoDigits(int value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string FormatMoment(const Moment& m) {
  return dates::FormatDdMmYyyy(m.date) + " " + TwoDigits(m.hour) + ":" + TwoDigits(m.minute) + ":" +
         TwoDigits(m.second);
}

std::string Stamp(const Moment& m) {
  return dates::FormatYyyyMmDd(m.date) + "_" + TwoDigits(m.hour) + TwoDigits(m.minute) + TwoDigits(m.second);
}

int HexValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Undoes AppendEscaped; none when the text holds a raw control character or an unknown escape.
std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return std::nullopt;
    if (c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return out;
}

std::optional<int> Number(std::string_view text, int max) {
  int value = 0;
  if (text.empty() || text.size() > 9) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > max) return std::nullopt;
  return value;
}

std::optional<Moment> ParseMoment(std::string_view text) {
  // "dd/mm/yyyy hh:mm:ss"
  if (text.size() != 19 || text[10] != ' ' || text[13] != ':' || text[16] != ':') return std::nullopt;
  const auto date = dates::ParseDayMonthYear(text.substr(0, 10));
  const auto hour = Number(text.substr(11, 2), 23), minute = Number(text.substr(14, 2), 59),
             second = Number(text.substr(17, 2), 59);
  if (!date || !hour || !minute || !second) return std::nullopt;
  return Moment{*date, *hour, *minute, *second};
}

std::optional<Colour> ParseColour(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  Colour colour = 0;
  for (char c : text.substr(1)) {
    const int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    colour = colour * 16 + static_cast<Colour>(digit);
  }
  return colour;
}

// The lines of a draft, one at a time; each must end with a line feed (a carriage return before it
// is allowed, for a draft that went through an editor of another system).
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  std::optional<std::string_view> Next() {
    const auto end = rest_.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++number_;
    return line;
  }
  int number() const noexcept { return number_; }
  bool AtEnd() const noexcept { return rest_.empty(); }

 private:
  std::string_view rest_;
  int number_ = 0;
};

Reading Unusable(std::string fault) {
  Reading reading;
  reading.kind = Reading::Kind::kUnusable;
  reading.fault = std::move(fault);
  return reading;
}

// "key<TAB>value" with the key expected, or none.
std::optional<std::string_view> Value(std::optional<std::string_view> line, std::string_view key) {
  if (!line || !line->starts_with(key) || line->size() <= key.size() || (*line)[key.size()] != '\t') {
    return std::nullopt;
  }
  return line->substr(key.size() + 1);
}

std::string LineFault(int number, std::string_view what) {
  return "la riga " + std::to_string(number) + " " + std::string(what);
}

constexpr std::string_view kFormKey = "scheda";
constexpr std::string_view kNewSubject = "nuovo";

// Columns 1 to 22 of a row, each escaped, separated by tabs.
void AppendCells(std::string& out, const SubjectRow& row) {
  for (std::size_t c = 1; c < kColumnCount; ++c) {
    if (c > 1) out += '\t';
    AppendEscaped(out, row.cells[c]);
  }
}

// A line cut at its tabs into exactly N values; false when it has more or fewer.
template <std::size_t N>
bool SplitExactly(std::string_view line, std::array<std::string_view, N>& values) {
  for (std::size_t i = 0; i < N; ++i) {
    const auto tab = line.find('\t');
    if ((tab == std::string_view::npos) != (i + 1 == N)) return false;
    values[i] = line.substr(0, tab);
    line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
  }
  return true;
}

// Columns 1 to 22 of a row from their escaped values; false for a value that is not a cell.
bool ReadCells(std::span<const std::string_view> values, SubjectRow& row) {
  for (std::size_t c = 1; c < kColumnCount; ++c) {
    auto cell = Unescape(values[c - 1]);
    if (!cell) return false;
    row.cells[c] = std::move(*cell);
  }
  return true;
}

}  // namespace

std::string Format(const Moment& saved, const CommunicationHeader& header, const SubjectTable& table,
                   std::span<const Colour> colours, const std::optional<OpenForm>& form) {
  std::string out;
  std::size_t size = 128;
  for (int r = 1; r <= table.Count(); ++r) {
    size += 8 + kColumnCount;
    for (std::size_t c = 1; c < kColumnCount; ++c) size += table.Cell(r, c).size();
  }
  if (form) {
    for (const std::string& cell : form->cells.cells) size += 1 + cell.size();
  }
  out.reserve(size + size / 16);
  out.append(kMagic).append("\t").append(std::to_string(kVersion)).append("\n");
  out.append("salvata\t").append(FormatMoment(saved)).append("\n");
  out.append("numero\t");
  AppendEscaped(out, header.numero);
  out.append("\ndata\t");
  AppendEscaped(out, header.data);
  out.append("\nsoggetti\t").append(std::to_string(table.Count())).append("\n");
  for (int r = 1; r <= table.Count(); ++r) {
    const auto i = static_cast<std::size_t>(r - 1);
    const Colour colour = (i < colours.size() ? colours[i] : kWhite) & 0xFFFFFF;
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) out += kHexDigits[(colour >> shift) & 15];
    out += '\t';
    AppendCells(out, table.Row(r));
    out += '\n';
  }
  if (form) {
    out.append(kFormKey).append("\t");
    out.append(form->row > 0 ? std::to_string(form->row) : std::string(kNewSubject)).append("\n");
    AppendCells(out, form->cells);
    out += '\n';
  }
  out.append("fine\n");
  return out;
}

Reading Parse(std::string_view text) {
  Lines lines(text);
  const auto first = lines.Next();
  const auto version = Value(first, kMagic);
  if (!version) return Unusable("non è una bozza di Nerovale");
  const auto version_number = Number(*version, 999);
  if (version_number != 1 && version_number != kVersion) {
    return Unusable("la bozza è di una versione che questo programma non conosce (" + std::string(*version) + ")");
  }
  Reading reading;
  reading.kind = Reading::Kind::kDraft;
  Draft& draft = reading.draft;
  const auto saved = Value(lines.Next(), "salvata");
  const auto moment = saved ? ParseMoment(*saved) : std::nullopt;
  if (!moment) return Unusable(LineFault(lines.number(), "non dice quando la bozza è stata salvata"));
  draft.saved = *moment;
  const auto numero = Value(lines.Next(), "numero");
  const auto numero_text = numero ? Unescape(*numero) : std::nullopt;
  if (!numero_text) return Unusable(LineFault(lines.number(), "non contiene il numero della comunicazione"));
  draft.header.numero = *numero_text;
  const auto data = Value(lines.Next(), "data");
  const auto data_text = data ? Unescape(*data) : std::nullopt;
  if (!data_text) return Unusable(LineFault(lines.number(), "non contiene la data della comunicazione"));
  draft.header.data = *data_text;
  const auto soggetti = Value(lines.Next(), "soggetti");
  const auto count = soggetti ? Number(*soggetti, SubjectTable::kMaxSubjects) : std::nullopt;
  if (!count) return Unusable(LineFault(lines.number(), "non contiene il numero dei soggetti"));

  draft.rows.resize(static_cast<std::size_t>(*count));
  draft.colours.resize(static_cast<std::size_t>(*count));
  for (std::size_t i = 0; i < draft.rows.size(); ++i) {
    const auto line = lines.Next();
    if (!line || *line == "fine") {
      return Unusable("il file è incompleto: contiene " + std::to_string(i) + " dei " + std::to_string(*count) +
                      " soggetti annunciati");
    }
    draft.rows[i].cells[kNumero] = std::to_string(i + 1);
    std::array<std::string_view, kColumnCount> values;  // the colour, then the 22 cells
    if (!SplitExactly(*line, values)) {
      return Unusable(LineFault(lines.number(), "non ha il colore e le 22 colonne di un soggetto"));
    }
    const auto colour = ParseColour(values[0]);
    if (!colour) return Unusable(LineFault(lines.number(), "non inizia con il colore della riga"));
    draft.colours[i] = *colour;
    if (!ReadCells(std::span(values).subspan(1), draft.rows[i])) {
      return Unusable(LineFault(lines.number(), "contiene un carattere non ammesso"));
    }
  }
  auto end = lines.Next();
  if (version_number != 1 && end && end->starts_with(kFormKey)) {
    // The row the form edits, from 1, or "nuovo" for a new subject (0).
    const auto which = Value(end, kFormKey);
    const std::optional<int> row =
        which == kNewSubject ? std::optional(0) : which ? Number(*which, SubjectTable::kMaxSubjects) : std::nullopt;
    if (!row || (*row == 0 && which != kNewSubject)) {
      return Unusable(LineFault(lines.number(), "non dice quale soggetto era in corso di inserimento"));
    }
    OpenForm form{*row, {}};
    const auto line = lines.Next();
    std::array<std::string_view, kColumnCount - 1> values;
    if (!line || !SplitExactly(*line, values)) {
      return Unusable(line ? LineFault(lines.number(), "non ha le 22 colonne del soggetto in corso di inserimento")
                           : "il file è incompleto: manca il soggetto in corso di inserimento");
    }
    if (!ReadCells(values, form.cells)) return Unusable(LineFault(lines.number(), "contiene un carattere non ammesso"));
    draft.form = std::move(form);
    end = lines.Next();
  }
  if (!end || *end != "fine") {
    return Unusable(end ? LineFault(lines.number(), "dovrebbe chiudere la bozza")
                        : "il file è incompleto: manca la riga finale");
  }
  if (!lines.AtEnd()) return Unusable("dopo la riga finale il file contiene altro testo");
  return reading;
}

Reading Read(const std::filesystem::path& file) {
  std::string bytes;
  const int error = files::ReadWholeFile(file, kMaxBytes, bytes);
  if (error == ENOENT) return {};
  if (error != 0) return Unusable(files::ItalianReason(error));
  return Parse(bytes);
}

Status Write(const std::filesystem::path& file, const Moment& saved, const CommunicationHeader& header,
             const SubjectTable& table, std::span<const Colour> colours, const std::optional<OpenForm>& form) {
  return files::WriteAtomically(file, Format(saved, header, table, colours, form));
}

Status Remove(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::remove(file, error) && !error) return Status::Ok();  // there was none
  if (!error) error = files::SyncFolder(file.parent_path().empty() ? "." : file.parent_path());
  if (error)
    return Status::Failure("Impossibile eliminare il file " + file.string() + ": " + files::ItalianReason(error));
  return Status::Ok();
}

Moved MoveAside(const std::filesystem::path& file, Aside why, const Moment& now) {
  const std::string base =
      file.stem().string() + (why == Aside::kUnusable ? "_danneggiata_" : "_non_ripristinata_") + Stamp(now);
  std::error_code error;
  for (int attempt = 1; attempt <= 100; ++attempt) {
    std::string name = base;
    if (attempt > 1) (name += '_') += std::to_string(attempt);
    name += file.extension().string();
    auto to = file;
    to.replace_filename(name);
    error = files::RenameWithoutReplacing(file, to);
    if (!error) return {Status::Ok(), to};
    if (error != std::errc::file_exists) break;
  }
  return {Status::Failure("Impossibile spostare il file " + file.string() + ": " + files::ItalianReason(error)), {}};
}

bool HasUnsavedSubjects(const SubjectTable& table, std::optional<std::uint64_t> validated_revision) {
  return table.Count() > 0 && validated_revision != table.Revision();
}

std::string RecoveryQuestion(int count, const Moment& saved, bool with_form) {
  std::string subjects = count == 1 ? "1 soggetto" : std::to_string(count) + " soggetti";
  if (with_form) {
    const std::string_view form = "i dati di un soggetto in corso di inserimento";
    subjects = count == 0 ? std::string(form) : subjects + " e " + std::string(form);
  }
  return "È stata trovata una comunicazione non terminata con " + subjects + " (salvata il " +
         dates::FormatDdMmYyyy(saved.date) + " alle " + TwoDigits(saved.hour) + ":" + TwoDigits(saved.minute) +
         "). Ripristinarla?";
}

std::string DiscardQuestion(int count, Discarding what) {
  const std::string subjects = count == 1 ? "Il soggetto inserito non è stato salvato"
                                          : "I " + std::to_string(count) + " soggetti inseriti non sono stati salvati";
  return subjects + " in un file XML. " +
         (what == Discarding::kExit ? "Uscire comunque?" : "Iniziare una nuova comunicazione?");
}

std::string UnusableText(const std::string& fault, const Moved& moved) {
  std::string text = "La comunicazione non terminata salvata nel file " + std::string(kFileName) +
                     " non può essere ripristinata: " + fault + ".\r\n";
  if (moved.status) {
    text += "Il file è stato spostato in " + moved.to.filename().string() + ".\r\n";
  } else {
    text += moved.status.message() + ".\r\nIl file resta com'è e non viene sostituito: la comunicazione in corso non "
            "sarà salvata nella bozza finché il file non potrà essere spostato.\r\n";
  }
  return text + "Si inizia con una comunicazione vuota.";
}

std::string NotMovedText(const Moved& moved) {
  return "La comunicazione non terminata non è stata ripristinata, ma il suo file non può essere messo da parte:\r\n" +
         moved.status.message() + "\r\nSarà sostituito dalla comunicazione in corso.";
}

std::string SaveFailedText(const std::string& reason) {
  return "La comunicazione in corso non può essere salvata nel file " + std::string(kFileName) +
         ": se il programma si chiudesse in modo imprevisto, i soggetti inseriti andrebbero persi.\r\n" + reason;
}

std::string UnsavedFormQuestion(Leaving what) {
  std::string text = "I dati del soggetto in corso di inserimento non sono stati salvati. ";
  switch (what) {
    case Leaving::kClose: return text + "Chiudere comunque?";
    case Leaving::kNewNotice: return text + "Iniziare comunque una nuova comunicazione?";
    case Leaving::kNotice: return text + "Creare il file senza questo soggetto?";
  }
  return text;
}

}  // namespace nerovale::draft
