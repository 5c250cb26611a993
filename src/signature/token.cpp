#include "signature/token.h"

#include <dlfcn.h>
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <p11-kit/pkcs11.h>

#include <cstring>
#include <system_error>

#include "signature/signature_texts.h"

namespace nerovale::signature {

struct Token::Module {
  void* handle = nullptr;
  CK_FUNCTION_LIST* f = nullptr;
  bool initialized = false;
  ~Module() {
    if (initialized) f->C_Finalize(nullptr);
    if (handle != nullptr) dlclose(handle);
  }
};

namespace {

// A token's fixed-width, blank-padded text field.
std::string Padded(const unsigned char* field, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(field), size);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

std::string NameEntry(const X509_NAME* name, int nid) {
  const int at = X509_NAME_get_index_by_NID(name, nid, -1);
  if (at < 0) return {};
  unsigned char* utf8 = nullptr;
  const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, at)));
  if (length < 0) return {};
  std::string text(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(length));
  OPENSSL_free(utf8);
  return text;
}

std::time_t TimeOf(const ASN1_TIME* time) {
  std::tm tm{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &tm) != 1) return 0;
  return timegm(&tm);
}

}  // namespace

// What a certificate's DER says of its holder, its issuer, its validity and its use; false for a
// certificate the signing cannot use (not one, or a certification authority's).
bool DescribeCertificate(Certificate& c) {
  const auto* p = reinterpret_cast<const unsigned char*>(c.der.data());
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(c.der.size()));
  if (x == nullptr) return false;
  const bool authority = X509_check_ca(x) > 0;
  const X509_NAME* subject = X509_get_subject_name(x);
  c.holder = NameEntry(subject, NID_commonName);
  if (c.holder.empty()) c.holder = NameEntry(subject, NID_givenName) + " " + NameEntry(subject, NID_surname);
  const X509_NAME* issuer = X509_get_issuer_name(x);
  c.issuer = NameEntry(issuer, NID_commonName);
  if (c.issuer.empty()) c.issuer = NameEntry(issuer, NID_organizationName);
  if (BIGNUM* serial = ASN1_INTEGER_to_BN(X509_get0_serialNumber(x), nullptr)) {
    char* hex = BN_bn2hex(serial);
    c.serial = hex;
    OPENSSL_free(hex);
    BN_free(serial);
  }
  c.not_before = TimeOf(X509_get0_notBefore(x));
  c.not_after = TimeOf(X509_get0_notAfter(x));
  c.non_repudiation = (X509_get_extension_flags(x) & EXFLAG_KUSAGE) != 0 &&
                      (X509_get_key_usage(x) & KU_NON_REPUDIATION) != 0;
  c.rsa = EVP_PKEY_get_base_id(X509_get0_pubkey(x)) == EVP_PKEY_RSA;
  X509_free(x);
  return !authority;
}

namespace {

// The value of one attribute of an object ("" when it has none).
std::string Attribute(CK_FUNCTION_LIST* f, CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) {
  CK_ATTRIBUTE a{type, nullptr, 0};
  if (f->C_GetAttributeValue(session, object, &a, 1) != CKR_OK || a.ulValueLen == CK_UNAVAILABLE_INFORMATION) return {};
  std::string value(a.ulValueLen, '\0');
  a.pValue = value.data();
  if (f->C_GetAttributeValue(session, object, &a, 1) != CKR_OK) return {};
  value.resize(a.ulValueLen);
  return value;
}

// The objects of one class (and, when id is given, of that id) that the session sees.
std::vector<CK_OBJECT_HANDLE> Find(CK_FUNCTION_LIST* f, CK_SESSION_HANDLE session, CK_OBJECT_CLASS object_class,
                                   const std::string* id = nullptr) {
  std::vector<CK_ATTRIBUTE> query{{CKA_CLASS, &object_class, sizeof object_class}};
  if (id != nullptr) query.push_back({CKA_ID, const_cast<char*>(id->data()), id->size()});
  std::vector<CK_OBJECT_HANDLE> found;
  if (f->C_FindObjectsInit(session, query.data(), query.size()) != CKR_OK) return found;
  CK_OBJECT_HANDLE batch[32];
  CK_ULONG count = 0;
  while (f->C_FindObjects(session, batch, 32, &count) == CKR_OK && count > 0) found.insert(found.end(), batch, batch + count);
  f->C_FindObjectsFinal(session);
  return found;
}

}  // namespace

std::unique_ptr<Token> Token::Open(const std::filesystem::path& module, Status& status) {
  const std::string shown = module.string();
  std::error_code error;
  if (module.empty() || !std::filesystem::is_regular_file(module, error)) {
    status = Status::Failure(ModuleMissingText(shown));
    return nullptr;
  }
  std::unique_ptr<Token> token(new Token);
  token->module_ = module;
  token->lib_ = std::make_unique<Module>();
  Module& lib = *token->lib_;
  lib.handle = dlopen(shown.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib.handle == nullptr) {
    const char* why = dlerror();
    status = Status::Failure(NotAModuleText(shown, why != nullptr ? why : "non si carica"));
    return nullptr;
  }
  auto get_list = reinterpret_cast<CK_C_GetFunctionList>(dlsym(lib.handle, "C_GetFunctionList"));
  if (get_list == nullptr || get_list(&lib.f) != CKR_OK || lib.f == nullptr) {
    status = Status::Failure(NotAModuleText(shown, "manca C_GetFunctionList"));
    return nullptr;
  }
  CK_C_INITIALIZE_ARGS args{};
  args.flags = CKF_OS_LOCKING_OK;
  const CK_RV initialized = lib.f->C_Initialize(&args);
  if (initialized != CKR_OK && initialized != CKR_CRYPTOKI_ALREADY_INITIALIZED) {
    status = Status::Failure(ModuleErrorText(shown, initialized));
    return nullptr;
  }
  lib.initialized = initialized == CKR_OK;

  CK_ULONG count = 0;
  std::vector<CK_SLOT_ID> slots;
  if (CK_RV rv = lib.f->C_GetSlotList(CK_TRUE, nullptr, &count); rv != CKR_OK) {
    status = Status::Failure(ModuleErrorText(shown, rv));
    return nullptr;
  }
  slots.resize(count);
  if (count > 0 && lib.f->C_GetSlotList(CK_TRUE, slots.data(), &count) == CKR_OK) slots.resize(count);
  if (slots.empty()) {
    status = Status::Failure(NoTokenText(shown));
    return nullptr;
  }
  for (const CK_SLOT_ID slot : slots) {
    CK_TOKEN_INFO info{};
    if (lib.f->C_GetTokenInfo(slot, &info) != CKR_OK) continue;
    CK_SESSION_HANDLE session = 0;
    if (lib.f->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session) != CKR_OK) continue;
    for (const CK_OBJECT_HANDLE object : Find(lib.f, session, CKO_CERTIFICATE)) {
      Certificate c;
      c.der = Attribute(lib.f, session, object, CKA_VALUE);
      c.label = Attribute(lib.f, session, object, CKA_LABEL);
      c.id = Attribute(lib.f, session, object, CKA_ID);
      c.token_label = Padded(info.label, sizeof info.label);
      c.slot = slot;
      if (!c.der.empty() && DescribeCertificate(c)) token->certificates_.push_back(std::move(c));
    }
    lib.f->C_CloseSession(session);
  }
  if (token->certificates_.empty()) {
    status = Status::Failure(NoCertificateText(shown));
    return nullptr;
  }
  status = Status::Ok();
  return token;
}

Token::~Token() {
  if (session_open_) {
    lib_->f->C_Logout(session_);
    lib_->f->C_CloseSession(session_);
  }
}

Status Token::Login(const Certificate& certificate, const std::string& pin) {
  CK_FUNCTION_LIST* f = lib_->f;
  if (session_open_) {
    f->C_Logout(session_);
    f->C_CloseSession(session_);
    session_open_ = false;
  }
  if (CK_RV rv = f->C_OpenSession(certificate.slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session_); rv != CKR_OK) {
    return Status::Failure(TokenErrorText("aprire una sessione", rv));
  }
  session_open_ = true;
  std::string typed = pin;
  const CK_RV rv = f->C_Login(session_, CKU_USER, reinterpret_cast<CK_UTF8CHAR*>(typed.data()), typed.size());
  std::fill(typed.begin(), typed.end(), '\0');
  if (rv == CKR_PIN_INCORRECT || rv == CKR_PIN_INVALID || rv == CKR_PIN_LEN_RANGE) {
    CK_TOKEN_INFO info{};
    const bool known = f->C_GetTokenInfo(certificate.slot, &info) == CKR_OK;
    if (known && (info.flags & CKF_USER_PIN_LOCKED) != 0) return Status::Failure(PinLockedText());
    return Status::Failure(WrongPinText(known && (info.flags & CKF_USER_PIN_FINAL_TRY) != 0,
                                        known && (info.flags & CKF_USER_PIN_COUNT_LOW) != 0));
  }
  if (rv == CKR_PIN_LOCKED) return Status::Failure(PinLockedText());
  if (rv != CKR_OK && rv != CKR_USER_ALREADY_LOGGED_IN) return Status::Failure(TokenErrorText("verificare il PIN", rv));
  const auto keys = Find(f, session_, CKO_PRIVATE_KEY, &certificate.id);
  if (keys.empty()) return Status::Failure(NoKeyText(certificate.label));
  key_ = keys.front();
  return Status::Ok();
}

TokenSignature Token::SignDigestInfo(const std::string& digest_info) {
  CK_FUNCTION_LIST* f = lib_->f;
  CK_MECHANISM mechanism{CKM_RSA_PKCS, nullptr, 0};
  if (CK_RV rv = f->C_SignInit(session_, &mechanism, key_); rv != CKR_OK) {
    return {Status::Failure(TokenErrorText("firmare", rv)), {}};
  }
  std::string data = digest_info;
  CK_ULONG length = 0;
  auto* in = reinterpret_cast<CK_BYTE*>(data.data());
  if (CK_RV rv = f->C_Sign(session_, in, data.size(), nullptr, &length); rv != CKR_OK) {
    return {Status::Failure(TokenErrorText("firmare", rv)), {}};
  }
  std::string signature(length, '\0');
  if (CK_RV rv = f->C_Sign(session_, in, data.size(), reinterpret_cast<CK_BYTE*>(signature.data()), &length);
      rv != CKR_OK) {
    return {Status::Failure(TokenErrorText("firmare", rv)), {}};
  }
  signature.resize(length);
  return {Status::Ok(), std::move(signature)};
}

}  // namespace nerovale::signature
