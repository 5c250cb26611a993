#include "output/schema_validation.h"

#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>

#include <memory>

namespace nerovale::output {
namespace {

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Keeps the first error that libxml2 reports, on one line.
struct FirstError {
  std::string text;

  static void Take(void* self, xmlErrorPtr error) {
    auto& first = static_cast<FirstError*>(self)->text;
    if (!first.empty() || error == nullptr || error->level < XML_ERR_ERROR) return;
    std::string message = error->message != nullptr ? error->message : "errore sconosciuto";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    for (char& c : message) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    first = error->line > 0 ? "Riga " + std::to_string(error->line) + ": " + message : message;
  }
};

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const { Free(p); }
};
using Doc = std::unique_ptr<xmlDoc, Deleter<xmlFreeDoc>>;
using ParserCtxt = std::unique_ptr<xmlParserCtxt, Deleter<xmlFreeParserCtxt>>;
using SchemaParserCtxt = std::unique_ptr<xmlSchemaParserCtxt, Deleter<xmlSchemaFreeParserCtxt>>;
using Schema = std::unique_ptr<xmlSchema, Deleter<xmlSchemaFree>>;
using ValidCtxt = std::unique_ptr<xmlSchemaValidCtxt, Deleter<xmlSchemaFreeValidCtxt>>;

ValidationResult Failure(std::string reason) { return {false, std::move(reason)}; }

// Routes libxml2's errors to one FirstError for as long as it lives, and keeps the loader off the network.
class ErrorScope {
 public:
  explicit ErrorScope(FirstError& sink) {
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
    xmlSetStructuredErrorFunc(&sink, &FirstError::Take);
  }
  ~ErrorScope() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
  ErrorScope(const ErrorScope&) = delete;
  ErrorScope& operator=(const ErrorScope&) = delete;
};

}  // namespace

ValidationResult ValidateFile(const std::filesystem::path& file) {
  FirstError error;
  ErrorScope scope(error);

  const ParserCtxt parser(xmlNewParserCtxt());
  if (!parser) return Failure("Impossibile creare il parser XML");
  const Doc doc(xmlCtxtReadFile(parser.get(), file.c_str(), nullptr, XML_PARSE_NONET));
  if (!doc) return Failure(error.text.empty() ? "Impossibile leggere il file " + file.string() : error.text);
  if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
    return Failure("Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
  }

  const xmlNode* root = xmlDocGetRootElement(doc.get());
  xmlChar* location =
      root == nullptr ? nullptr
                      : xmlGetNsProp(root, X("noNamespaceSchemaLocation"), X("http://www.w3.org/2001/XMLSchema-instance"));
  if (location == nullptr) return Failure("Il file non indica lo schema XML (xsi:noNamespaceSchemaLocation)");
  const std::string schema_path(reinterpret_cast<const char*>(location));
  xmlFree(location);

  const SchemaParserCtxt schema_parser(xmlSchemaNewParserCtxt(schema_path.c_str()));
  const Schema schema(schema_parser ? xmlSchemaParse(schema_parser.get()) : nullptr);
  if (!schema) return Failure("Schema XML " + schema_path + " non utilizzabile" + (error.text.empty() ? "" : ": " + error.text));

  const ValidCtxt validator(xmlSchemaNewValidCtxt(schema.get()));
  if (!validator) return Failure("Impossibile creare il validatore XML");
  xmlSchemaSetValidStructuredErrors(validator.get(), &FirstError::Take, &error);
  const int result = xmlSchemaValidateDoc(validator.get(), doc.get());
  if (result != 0) return Failure(error.text.empty() ? "Errore di validazione " + std::to_string(result) : error.text);
  return {true, {}};
}

}  // namespace nerovale::output
