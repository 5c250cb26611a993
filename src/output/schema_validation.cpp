#include "output/schema_validation.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>


#include "core/system_files.h"

namespace nerovale::output {
namespace {

constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// True line numbers past 65,535 and compact text, as xmllint reads; never the network.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_COMPACT;

std::string_view TextOf(const xmlChar* text) {
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

// The notice's content fails: the data were refused.
ValidationResult Refused(std::string reason) { return {false, std::move(reason), NoticeFault::kRefused}; }
// Something around the notice failed: the file cannot be read back, the schema cannot be used.
ValidationResult Unusable(std::string reason) { return {false, std::move(reason), NoticeFault::kEnvironment}; }

// "350.012": a number with its thousands marked by dots, as Italian writes it.
std::string WithThousands(long number) {
  const std::string digits = std::to_string(number);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += '.';
    text += digits[i];
  }
  return text;
}

std::string ReadFailure(const std::filesystem::path& file, int error) { return files::ReadFailureText(file, error); }

// One reading of the notice file: the file's bytes go to libxml2's parser as SAX events, and what
// the reading learns is kept here: the first error, a DOCTYPE, the root's schema location.
struct Reading {
  xmlParserCtxt* parser = nullptr;
  bool head_only = false;  // stop at the root element
  bool doctype = false;
  std::optional<std::string> location;
  std::string first_error;

  // Where the parser stands: the depth of the element, the subjects (DATI_ANAGRAFICI) met so far,
  // and the depth of the one it is inside (0 outside). A subject is left only at the next event
  // after its end tag, because the schema judges that end tag after this reading has seen it.
  int depth = 0;
  int subjects = 0;
  int subject_depth = 0;
  bool leaving_subject = false;

  files::SystemFile* file = nullptr;
  int read_error = 0;
  const Progress* progress = nullptr;
  std::vector<char> block = std::vector<char>(64 * 1024);
  std::size_t block_start = 0, block_end = 0;

  void Stop() {
    if (parser != nullptr) xmlStopParser(parser);
  }
  void Settle() {
    if (leaving_subject) subject_depth = 0;
    leaving_subject = false;
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
    if (reading.subject_depth > 0 && error->line > 0) {
      message = "Soggetto " + std::to_string(reading.subjects) + " (riga " + WithThousands(error->line) +
                " del file): " + message;
    } else if (error->line > 0) {
      message = "Riga " + WithThousands(error->line) + " del file: " + message;
    }
    reading.first_error = std::move(message);
    reading.Stop();  // the first error decides: nothing more needs reading
  }

  // The file's bytes, a block at a time from the disk.
  static int Read(void* self, char* buffer, int length) {
    auto& reading = *static_cast<Reading*>(self);
    if (reading.block_start == reading.block_end) {
      if (reading.progress != nullptr && *reading.progress && !(*reading.progress)()) {
        reading.read_error = ECANCELED;
        return -1;
      }
      const long got = reading.file->Read(reading.block.data(), reading.block.size());
      if (got < 0) {
        reading.read_error = reading.file->error();
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

  static void StartElement(void* self, const xmlChar* name, const xmlChar*, const xmlChar*, int, const xmlChar**,
                           int attribute_count, int, const xmlChar** attributes) {
    auto& reading = *static_cast<Reading*>(self);
    reading.Settle();
    ++reading.depth;
    if (reading.subject_depth == 0 && TextOf(name) == "DATI_ANAGRAFICI") {
      ++reading.subjects;
      reading.subject_depth = reading.depth;
    }
    if (!reading.head_only) return;
    // Five pointers an attribute: local name, prefix, namespace, value start and value end.
    for (int i = 0; i < attribute_count; ++i) {
      const xmlChar** a = attributes + 5 * i;
      if (TextOf(a[0]) == "noNamespaceSchemaLocation" && TextOf(a[2]) == kXsiNamespace) {
        reading.location.emplace(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
      }
    }
    reading.Stop();
  }

  static void EndElement(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto& reading = *static_cast<Reading*>(self);
    reading.Settle();
    if (reading.depth == reading.subject_depth) reading.leaving_subject = true;
    --reading.depth;
  }

  static xmlSAXHandler Handler() {
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.internalSubset = &InternalSubset;
    sax.startElementNs = &StartElement;
    sax.endElementNs = &EndElement;
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

// Reads the file once through the parser; with a validation context, the schema checks every event.
// False, with the cause in reading.read_error, when the file could not be opened or the parser made.
bool ReadOnce(const std::filesystem::path& file, Reading& reading, xmlSchemaValidCtxt* validator) {
  files::SystemFile opened = files::SystemFile::OpenForReading(file);
  if (!opened.opened()) {
    reading.read_error = opened.error();
    return false;
  }
  reading.file = &opened;
  xmlSAXHandler sax = Reading::Handler();
  const ParserCtxt parser(
      xmlCreateIOParserCtxt(&sax, &reading, &Reading::Read, &Reading::Close, &reading, XML_CHAR_ENCODING_NONE));
  if (!parser) {
    reading.read_error = ENOMEM;
    return false;
  }
  xmlCtxtUseOptions(parser.get(), kParseOptions);
  reading.parser = parser.get();

  xmlSchemaSAXPlugPtr plug = nullptr;
  if (validator != nullptr) {
    plug = xmlSchemaSAXPlug(validator, &parser->sax, &parser->userData);
    if (plug == nullptr) {
      reading.read_error = ENOMEM;
      return false;
    }
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

// The schema takes some 10 KB; a file many times larger is no schema of the notice.
constexpr std::size_t kMaxSchemaBytes = std::size_t{4} << 20;

// The schema at a location: a path, or (for a working directory whose name is not UTF-8) a path whose
// bytes are percent-encoded. It is read by the program, as a regular file of bounded size, and
// given to libxml2 from memory, so that a FIFO or a device in its place never stalls the reading.
// Null, with the failure, when it cannot be read or is no usable schema.
Schema LoadSchema(const std::string& location, Reading& errors, std::string& failure) {
  std::string bytes;
  int error = files::ReadWholeFile(location, kMaxSchemaBytes, bytes);
  if (error == ENOENT && location.find('%') != std::string::npos) {
    if (char* unescaped = xmlURIUnescapeString(location.c_str(), 0, nullptr)) {
      const std::string path = unescaped;
      xmlFree(unescaped);
      error = files::ReadWholeFile(path, kMaxSchemaBytes, bytes);
    }
  }
  const std::string what = "Impossibile usare lo schema XML " + location + ": ";
  if (error != 0) {
    failure = what + files::ItalianReason(error);
    return nullptr;
  }
  const SchemaParserCtxt parser(xmlSchemaNewMemParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
  if (!parser) {
    failure = what + files::ItalianReason(ENOMEM);
    return nullptr;
  }
  xmlSchemaSetParserStructuredErrors(parser.get(), &Reading::TakeError, &errors);
  Schema schema(xmlSchemaParse(parser.get()));
  if (!schema) failure = what + (errors.first_error.empty() ? "non è uno schema XML valido" : errors.first_error);
  return schema;
}

}  // namespace

ValidationResult ValidateFile(const std::filesystem::path& file, const Progress& progress) {
  Reading head;
  head.head_only = true;
  {
    ErrorScope scope(head);
    if (!ReadOnce(file, head, nullptr)) return Unusable(ReadFailure(file, head.read_error));
  }
  if (head.read_error != 0) return Unusable(ReadFailure(file, head.read_error));
  if (head.doctype) return Refused("Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
  if (!head.location) {
    if (!head.first_error.empty()) return Refused(head.first_error);
    return Refused("Il file non indica lo schema XML (xsi:noNamespaceSchemaLocation)");
  }

  Reading reading;
  reading.progress = &progress;
  ErrorScope scope(reading);
  std::string failure;
  const Schema schema = LoadSchema(*head.location, reading, failure);
  if (!schema) return Unusable(failure);
  reading.first_error.clear();
  const ValidCtxt validator(xmlSchemaNewValidCtxt(schema.get()));
  if (!validator) return Unusable("Impossibile creare il validatore XML: " + files::ItalianReason(ENOMEM));
  xmlSchemaSetValidStructuredErrors(validator.get(), &Reading::TakeError, &reading);
  if (!ReadOnce(file, reading, validator.get()) || reading.read_error != 0) {
    return Unusable(ReadFailure(file, reading.read_error));
  }
  if (reading.doctype) return Refused("Il file contiene una dichiarazione DOCTYPE, non ammessa in una comunicazione");
  if (!reading.first_error.empty()) return Refused(reading.first_error);
  if (xmlSchemaIsValid(validator.get()) != 1) return Refused("Errore di validazione");
  return {true, {}, NoticeFault::kNone};
}

Status CheckSchema(const std::filesystem::path& schema) {
  Reading errors;
  ErrorScope scope(errors);
  std::string failure;
  if (!LoadSchema(schema.string(), errors, failure)) return Status::Failure(failure);
  return Status::Ok();
}

}  // namespace nerovale::output
