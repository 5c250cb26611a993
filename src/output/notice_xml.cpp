#include "output/notice_xml.h"

#include <array>
#include <string_view>


#include "core/system_files.h"
#include "core/text.h"

namespace nerovale::output {
namespace {

using DateParts = std::array<std::string, 3>;

// The first three "/"-separated parts of a date, missing ones empty.
DateParts DateCellParts(const std::string& date) {
  DateParts parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto slash = date.find('/', start);
    parts[i] = date.substr(start, slash == std::string::npos ? slash : slash - start);
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

// A birth date longer than 4 characters is split, month/year giving an empty day; a shorter one is
// the year alone.
DateParts BirthParts(const std::string& date) {
  if (date.size() <= 4) return {"", "", date};
  DateParts parts = DateCellParts(date);
  if (date.find('/') == date.rfind('/')) return {"", parts[0], parts[1]};
  return parts;
}

// Escapes as libxml2 does when it saves a document as UTF-8: in text "<", ">", "&" and the carriage
// return; in an attribute value the double quote, the line feed and the tab as well. Every other
// byte is copied as it is.
void AppendEscaped(std::string& out, std::string_view value, bool attribute) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    std::string_view escape;
    switch (value[i]) {
      case '<': escape = "&lt;"; break;
      case '>': escape = "&gt;"; break;
      case '&': escape = "&amp;"; break;
      case '\r': escape = "&#13;"; break;
      case '"': escape = attribute ? "&quot;" : ""; break;
      case '\n': escape = attribute ? "&#10;" : ""; break;
      case '\t': escape = attribute ? "&#9;" : ""; break;
      default: break;
    }
    if (escape.empty()) continue;
    out.append(value, start, i - start);
    out.append(escape);
    start = i + 1;
  }
  out.append(value, start);
}

// The notice's text, one element a line, indented by two blanks a level.
class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}

  // attributes: written as they are inside the tag, after a blank.
  void Open(std::string_view name, std::string_view attributes = {}) {
    Indent();
    out_ += '<';
    out_ += name;
    if (!attributes.empty()) {
      out_ += ' ';
      out_ += attributes;
    }
    out_ += ">\n";
    ++depth_;
  }
  void Close(std::string_view name) {
    --depth_;
    Indent();
    out_ += "</";
    out_ += name;
    out_ += ">\n";
  }
  // An element without children closes itself.
  void Empty(std::string_view name) {
    Indent();
    out_ += '<';
    out_ += name;
    out_ += "/>\n";
  }
  void Text(std::string_view name, std::string_view value) {
    Indent();
    out_ += '<';
    out_ += name;
    out_ += '>';
    AppendEscaped(out_, value, false);
    out_ += "</";
    out_ += name;
    out_ += ">\n";
  }
  void Date(std::string_view name, const DateParts& parts) {
    Open(name);
    Text("GIORNO", parts[0]);
    Text("MESE", parts[1]);
    Text("ANNO", parts[2]);
    Close(name);
  }

 private:
  void Indent() { out_.append(static_cast<std::size_t>(2 * depth_), ' '); }

  std::string& out_;
  int depth_ = 0;
};

// Writes the whole notice into out; after each subject, after_subject(out, row) may take the text
// away (to a file) and report progress, and answers whether to go on (false: the text stays cut).
template <typename AfterSubject>
void WriteNoticeText(const Notice& notice, std::string& out, AfterSubject&& after_subject) {
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  std::string attributes = "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"";
  AppendEscaped(attributes, SchemaLocation(notice.schema), true);
  attributes += '"';
  Writer w(out);
  w.Open("DATI_CHIAMATA_NEROVALE", attributes);

  w.Open("DATI_COMUNE");
  w.Text("SEDE_COMUNE", notice.sender.codice_comune);
  w.Close("DATI_COMUNE");
  w.Open("DATI_REFERENTE");
  w.Text("COGNOME_REFERENTE", notice.sender.cognome_referente);
  w.Text("NOME_REFERENTE", notice.sender.nome_referente);
  w.Close("DATI_REFERENTE");
  w.Open("DATI_RICHIESTA");
  w.Text("NUMERO_RICHIESTA", notice.header.numero);
  w.Date("DATA_RICHIESTA", DateCellParts(notice.header.data));
  w.Close("DATI_RICHIESTA");

  const SubjectTable& table = notice.subjects;
  if (table.Count() == 0) {
    w.Empty("ANAGRAFICHE");
  } else {
    w.Open("ANAGRAFICHE");
    for (int r = 1; r <= table.Count(); ++r) {
      const SubjectRow& row = table.Row(r);
      w.Open("DATI_ANAGRAFICI");
      w.Text("PROG_ANAGRAFICA", row[kNumero]);
      w.Text("PERS_COGNOME", row[kCognome]);
      w.Text("PERS_NOME", row[kNome]);
      w.Text("SESSO", row[kSesso]);
      w.Text("CODI_LUOGO_NASCITA", row[kCodComuneNascita]);
      w.Text("CODI_STATO_ESTERO_NAS", row[kCodNazioneNascita]);
      w.Text("DESC_COMUNE_ESTERO", row[kComuneEsteroNascita]);
      w.Date("DATA_NASCITA", BirthParts(row[kDataNascita]));
      w.Text("CODI_FISCALE", row[kCodiceFiscale]);
      w.Text("PERS_PATERNITA", row[kNomePadre]);
      w.Open("DATI_DECESSO");
      w.Text("CODI_LUOGO_MORTE", row[kCodComuneDecesso]);
      w.Text("CODI_STATO_ESTERO_MORTE", row[kCodNazioneDecesso]);
      w.Text("DESC_COMUNE_ESTERO_MORTE", row[kComuneEsteroDecesso]);
      w.Text("NUME_ATTO_MORTE", row[kAttoMorte]);
      w.Date("DATA_MORTE", DateCellParts(row[kDataDecesso]));
      w.Text("CODI_LUOGO_ATTO_MORTE", row[kCodComuneAtto]);
      w.Text("ANNO_PROT_DECESSO", row[kAnnoProtocollo]);
      w.Text("NUME_PROT_DECESSO", row[kNumeroProtocollo]);
      w.Close("DATI_DECESSO");
      w.Close("DATI_ANAGRAFICI");
      if (!after_subject(out, r)) return;
    }
    w.Close("ANAGRAFICHE");
  }
  w.Close("DATI_CHIAMATA_NEROVALE");
}

}  // namespace

std::string BuildNoticeXml(const Notice& notice) {
  std::string text;
  WriteNoticeText(notice, text, [](std::string&, int) { return true; });
  return text;
}

Status SaveNoticeXml(const Notice& notice, const std::filesystem::path& file, const Progress& progress) {
  files::SystemFile out = files::SystemFile::CreateNew(file);
  if (!out.opened())
    return Status::Failure("Impossibile creare il file " + file.string() + ": " + files::ItalianReason(out.error()));
  constexpr std::size_t kBlock = 256 * 1024;
  std::string buffer;
  buffer.reserve(kBlock + 4096);
  bool stopped = false;
  WriteNoticeText(notice, buffer, [&](std::string& text, int row) {
    if (text.size() >= kBlock) {
      out.WriteAll(text);  // a failure is kept by the file and told after the close
      text.clear();
    }
    stopped = progress && row % 256 == 0 && !progress();
    return !stopped;
  });
  if (stopped) return Status::Failure("Scrittura del file " + file.string() + " interrotta");
  out.WriteAll(buffer);
  if (!out.Close())
    return Status::Failure("Impossibile scrivere il file " + file.string() + ": " + files::ItalianReason(out.error()));
  return Status::Ok();
}

std::string SchemaLocation(const std::filesystem::path& schema) {
  const std::string& bytes = schema.native();
  if (text::IsValidUtf8(bytes)) return bytes;
  // A URI path: what it allows stays, every other byte is written %XX (the "%" itself included).
  constexpr std::string_view kAllowed = "-._~!$&'()*+,;=:@/";
  constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string location;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        kAllowed.find(c) != std::string_view::npos) {
      location += c;
    } else {
      location += '%';
      location += kHex[byte >> 4];
      location += kHex[byte & 15];
    }
  }
  return location;
}

std::filesystem::path SchemaPath(const std::filesystem::path& working_directory) {
  return std::filesystem::absolute(working_directory) / "ref" / "validate.xsd";
}

}  // namespace nerovale::output
