#include "output/notice_xml.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string_view>

namespace nerovale::output {
namespace {

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }
const xmlChar* X(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocDeleter>;

// A child element whose text is value, escaped by libxml2.
xmlNode* Text(xmlNode* parent, const char* name, const std::string& value) {
  return xmlNewTextChild(parent, nullptr, X(name), X(value));
}

xmlNode* Element(xmlNode* parent, const char* name) { return xmlNewChild(parent, nullptr, X(name), nullptr); }

using DateParts = std::array<std::string, 3>;

// The first three "/"-separated parts of a date, missing ones empty.
DateParts Split(const std::string& date) {
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
  DateParts parts = Split(date);
  if (date.find('/') == date.rfind('/')) return {"", parts[0], parts[1]};
  return parts;
}

void Date(xmlNode* parent, const char* name, const DateParts& parts) {
  xmlNode* node = Element(parent, name);
  Text(node, "GIORNO", parts[0]);
  Text(node, "MESE", parts[1]);
  Text(node, "ANNO", parts[2]);
}

Doc BuildDocument(const Notice& notice) {
  Doc doc(xmlNewDoc(X("1.0")));
  xmlNode* root = xmlNewNode(nullptr, X("DATI_CHIAMATA_NEROVALE"));
  xmlDocSetRootElement(doc.get(), root);
  xmlNs* xsi = xmlNewNs(root, X("http://www.w3.org/2001/XMLSchema-instance"), X("xsi"));
  xmlNewNsProp(root, xsi, X("noNamespaceSchemaLocation"), X(notice.schema.string()));

  Text(Element(root, "DATI_COMUNE"), "SEDE_COMUNE", notice.sender.codice_comune);
  xmlNode* referente = Element(root, "DATI_REFERENTE");
  Text(referente, "COGNOME_REFERENTE", notice.sender.cognome_referente);
  Text(referente, "NOME_REFERENTE", notice.sender.nome_referente);
  xmlNode* richiesta = Element(root, "DATI_RICHIESTA");
  Text(richiesta, "NUMERO_RICHIESTA", notice.header.numero);
  Date(richiesta, "DATA_RICHIESTA", Split(notice.header.data));

  xmlNode* anagrafiche = Element(root, "ANAGRAFICHE");
  const SubjectTable& table = notice.subjects;
  for (int r = 1; r <= table.Count(); ++r) {
    const SubjectRow& row = table.Row(r);
    xmlNode* subject = Element(anagrafiche, "DATI_ANAGRAFICI");
    Text(subject, "PROG_ANAGRAFICA", row[kNumero]);
    Text(subject, "PERS_COGNOME", row[kCognome]);
    Text(subject, "PERS_NOME", row[kNome]);
    Text(subject, "SESSO", row[kSesso]);
    Text(subject, "CODI_LUOGO_NASCITA", row[kCodComuneNascita]);
    Text(subject, "CODI_STATO_ESTERO_NAS", row[kCodNazioneNascita]);
    Text(subject, "DESC_COMUNE_ESTERO", row[kComuneEsteroNascita]);
    Date(subject, "DATA_NASCITA", BirthParts(row[kDataNascita]));
    Text(subject, "CODI_FISCALE", row[kCodiceFiscale]);
    Text(subject, "PERS_PATERNITA", row[kNomePadre]);
    xmlNode* decesso = Element(subject, "DATI_DECESSO");
    Text(decesso, "CODI_LUOGO_MORTE", row[kCodComuneDecesso]);
    Text(decesso, "CODI_STATO_ESTERO_MORTE", row[kCodNazioneDecesso]);
    Text(decesso, "DESC_COMUNE_ESTERO_MORTE", row[kComuneEsteroDecesso]);
    Text(decesso, "NUME_ATTO_MORTE", row[kAttoMorte]);
    Date(decesso, "DATA_MORTE", Split(row[kDataDecesso]));
    Text(decesso, "CODI_LUOGO_ATTO_MORTE", row[kCodComuneAtto]);
    Text(decesso, "ANNO_PROT_DECESSO", row[kAnnoProtocollo]);
    Text(decesso, "NUME_PROT_DECESSO", row[kNumeroProtocollo]);
  }
  return doc;
}

// Serialises the document through a write callback, indented, as UTF-8 with its declaration.
// Streaming keeps a large notice from being held twice in memory.
template <typename Sink>
bool Serialise(xmlDoc* doc, Sink& sink) {
  const auto write = [](void* context, const char* buffer, int length) -> int {
    return static_cast<Sink*>(context)->Write(buffer, static_cast<std::size_t>(length)) ? length : -1;
  };
  xmlSaveCtxt* save = xmlSaveToIO(write, nullptr, &sink, "UTF-8", XML_SAVE_FORMAT);
  if (save == nullptr) return false;
  const bool saved = xmlSaveDoc(save, doc) >= 0;
  return xmlSaveClose(save) >= 0 && saved;
}

struct StringSink {
  std::string text;
  bool Write(const char* buffer, std::size_t length) {
    text.append(buffer, length);
    return true;
  }
};

struct FileSink {
  std::FILE* file;
  bool Write(const char* buffer, std::size_t length) { return std::fwrite(buffer, 1, length, file) == length; }
};

}  // namespace

std::string BuildNoticeXml(const Notice& notice) {
  const Doc doc = BuildDocument(notice);
  StringSink sink;
  Serialise(doc.get(), sink);
  return sink.text;
}

Status SaveNoticeXml(const Notice& notice, const std::filesystem::path& file) {
  const Doc doc = BuildDocument(notice);
  std::FILE* out = std::fopen(file.c_str(), "wbx");  // the folder is new: never replace a file
  if (out == nullptr) return Status::Failure("Impossibile creare il file " + file.string());
  FileSink sink{out};
  const bool written = Serialise(doc.get(), sink) && std::fflush(out) == 0;
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) return Status::Failure("Impossibile scrivere il file " + file.string() + " (disco pieno?)");
  return Status::Ok();
}

std::filesystem::path SchemaPath(const std::filesystem::path& working_directory) {
  return std::filesystem::absolute(working_directory) / "ref" / "validate.xsd";
}

}  // namespace nerovale::output
