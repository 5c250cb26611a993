#include "output/schema_validation.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace nerovale::output {
namespace {

constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// True line numbers past 65,535 and compact text, as xmllint reads; never the network.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_COMPACT;

std::string_view V(const xmlChar* text) {
  return text == nullptr ? std::string_view{} : std::string_view(reinterpret_cast<const char*>(text));
}

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const { Free(p); }
};
using ParserCtxt = std::unique_ptr<xmlParserCtxt, Deleter<xmlFreeParserCtxt>>;
using SchemaParserCtxt = std::unique_ptr<xmlSchemaParserCtxt, Deleter<xmlSchemaFreeParserCtxt>>;
using Schema = std::unique_ptr<xmlSchema, Deleter<xmlSchemaFree>>;
using ValidCtxt = std::unique_ptr<xmlSchemaValidCtxt, Deleter<xmlSchemaFreeValidCtxt>>;

ValidationResult Failure(std::string reason) { return {false, std::move(reason)}; }

// One reading of the notice file: the file's bytes go to libxml2's parser as SAX events, and what
// the reading learns is kept here: the first error, a DOCTYPE, the root's schema location.
struct Reading {
  xmlParserCtxt* parser = nullptr;
  bool head_only = false;  // stop at the root element
  bool doctype = false;
  std::optional<std::string> location;
  std::string first_error;

  int fd = -1;
  int read_error = 0;
  const Progress* progress = nullptr;
  std::array<char, 64 * 1024> block{};
  std::size_t block_start = 0, block_end = 0;

  void Stop() {
    if (parser != nullptr) xmlStopParser(parser);
  }

  // Keeps the first error, on one line, with its line in the file.
  static void TakeError(void* self, xmlErrorPtr error) {
    auto& reading = *static_cast<Reading*>(self);
    if (!reading.first_error.empty() || error == nullptr || error->level < XML_ERR_ERROR) return;
    std::string message = error->message != nullptr ? error->message : "errore sconosciuto";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    for (char& c : message) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    reading.first_error = error->line > 0 ? "Riga " + std::to_string(error->line) + ": " + message : message;
    reading.Stop();  // the first error decides: nothing more needs reading
  }

  // The file's bytes, a block at a time from the disk.
  static int Read(void* self, char* buffer, int length) {
    auto& reading = *static_cast<Reading*>(self);
    if (reading.block_start == reading.block_end) {
      if (reading.progress != nullptr && *reading.progress) (*reading.progress)();
      ssize_t got;
      do {
        got = ::read(reading.fd, reading.block.data(), reading.block.size());
      } while (got < 0 && errno == EINTR);
      if (got < 0) {
        reading.read_error = errno;
        return -1;
      }
      reading.block_start = 0;
      reading.block_end = static_cast<std::size_t>(got);
    }
    const std::size_t count = std::min(static_cast<std::size_t>(length), reading.block_end - reading.block_start);
    std::memcpy(buffer, reading.block.data() + reading.block_start, count);
    reading.block_start += count;
    return static_cast<int>(count);
  }
  static int Close(void*) { return 0; }  // the descriptor is closed by its owner

  static void InternalSubset(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto& reading = *static_cast<Reading*>(self);
    reading.doctype = true;
    reading.Stop();
  }

  static void StartElement(void* self, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**,
                           int attribute_count, int, const xmlChar** attributes) {
    auto& reading = *static_cast<Reading*>(self);
    if (!reading.head_only) return;
    // Five pointers an attribute: local name, prefix, namespace, value start and value end.
    for (int i = 0; i < attribute_count; ++i) {
      const xmlChar** a = attributes + 5 * i;
      if (V(a[0]) == "noNamespaceSchemaLocation" && V(a[2]) == kXsiNamespace) {
        reading.location.emplace(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
      }
    }
    reading.Stop();
  }

  static xmlSAXHandler Handler() {
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.internalSubset = &InternalSubset;
    sax.startElementNs = &StartElement;
    return sax;
  }
};

// Routes every error and message of libxml2 to one reading while it lives: nothing is printed.
class ErrorScope {
 public:
  explicit ErrorScope(Reading& reading)
      : structured_(xmlStructuredError),
        structured_context_(xmlStructuredErrorContext),
        generic_(xmlGenericError),
        generic_context_(xmlGenericErrorContext) {
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
    xmlSetStructuredErrorFunc(&reading, &Reading::TakeError);
    xmlSetGenericErrorFunc(nullptr, &Silent);
  }
  ~ErrorScope() {
    xmlSetStructuredErrorFunc(structured_context_, structured_);
    xmlSetGenericErrorFunc(generic_context_, generic_);
  }
  ErrorScope(const ErrorScope&) = delete;
  ErrorScope& operator=(const ErrorScope&) = delete;

 private:
  static void Silent(void*, const char*, ...) {}

  xmlStructuredErrorFunc structured_;
  void* structured_context_;
  xmlGenericErrorFunc generic_;
  void* generic_context_;
};

// A descriptor closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(const std::filesystem::path& file) : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const noexcept { return fd_; }

 private:
  int fd_;
};

// Reads the file once through the parser; with a validation context, the schema checks every event.
// False when the file could not be opened or the parser not made.
bool ReadOnce(const std::filesystem::path& file, Reading& reading, xmlSchemaValidCtxt* validator) {
  const Descriptor fd(file);
  if (fd.get() < 0) return false;
  reading.fd = fd.get();
  xmlSAXHandler sax = Reading::Handler();
  const ParserCtxt parser(
      xmlCreateIOParserCtxt(&sax, &reading, &Reading::Read, &Reading::Close, &reading, XML_CHAR_ENCODING_NONE));
  if (!parser) return false;
  xmlCtxtUseOptions(parser.get(), kParseOptions);
  reading.parser = parser.get();

  xmlSchemaSAXPlugPtr plug = nullptr;
  if (validator != nullptr) {
    plug = xmlSchemaSAXPlug(validator, &parser->sax, &parser->userData);
    if (plug == nullptr) return false;
    // The line of an error is where the parser stands.
    xmlSchemaValidateSetLocator(
        validator,
        [](void* context, const char** name, unsigned long* line) -> int {
          const auto* p = static_cast<xmlParserCtxt*>(context);
          *name = nullptr;
          *line = p->input != nullptr ? static_cast<unsigned long>(p->input->line) : 0;
          return 0;
        },
        parser.get());
  }
  xmlParseDocument(parser.get());
  if (plug != nullptr) xmlSchemaSAXUnplug(plug);
  if (!reading.head_only && !parser->wellFormed && reading.first_error.empty() && !reading.doctype) {
    reading.first_error = "Il file non è un documento XML ben formato";
  }
  reading.parser = nullptr;
  return true;
}

}  // namespace

ValidationResult ValidateFile(const std::filesystem::path& file, const Progress& progress) {
  Reading head;
  head.head_only = true;
  {
    ErrorScope scope(head);
    if (!ReadOnce(file, head, nullptr)) return Failure("Impossibile leggere il file " + file.string());
  }
  if (head.doctype) return Failure("Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
  if (!head.location) {
    if (!head.first_error.empty()) return Failure(head.first_error);
    return Failure("Il file non indica lo schema XML (xsi:noNamespaceSchemaLocation)");
  }
  const std::string& schema_path = *head.location;

  Reading reading;
  reading.progress = &progress;
  ErrorScope scope(reading);
  const SchemaParserCtxt schema_parser(xmlSchemaNewParserCtxt(schema_path.c_str()));
  if (schema_parser) xmlSchemaSetParserStructuredErrors(schema_parser.get(), &Reading::TakeError, &reading);
  const Schema schema(schema_parser ? xmlSchemaParse(schema_parser.get()) : nullptr);
  if (!schema) {
    return Failure("Schema XML " + schema_path + " non utilizzabile" +
                   (reading.first_error.empty() ? "" : ": " + reading.first_error));
  }
  const ValidCtxt validator(xmlSchemaNewValidCtxt(schema.get()));
  if (!validator) return Failure("Impossibile creare il validatore XML");
  xmlSchemaSetValidStructuredErrors(validator.get(), &Reading::TakeError, &reading);
  if (!ReadOnce(file, reading, validator.get())) return Failure("Impossibile leggere il file " + file.string());
  if (reading.doctype) return Failure("Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
  if (reading.read_error != 0) return Failure("Impossibile leggere il file " + file.string());
  if (!reading.first_error.empty()) return Failure(reading.first_error);
  if (xmlSchemaIsValid(validator.get()) != 1) return Failure("Errore di validazione");
  return {true, {}};
}

}  // namespace nerovale::output
