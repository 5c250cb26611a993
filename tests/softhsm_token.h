#pragma once

// A real token for the signing tests: SoftHSM2 (Debian's softhsm2) with its store in a temporary
// folder, initialised, and given RSA keys with their certificates through the module's own PKCS#11
// calls, as a card issuer would.

#include <dlfcn.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <p11-kit/pkcs11.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace nerovale::testing {

inline constexpr char kSoftHsmModule[] = "/usr/lib/softhsm/libsofthsm2.so";
inline constexpr char kTokenPin[] = "1234";
inline constexpr char kTokenLabel[] = "Nerovale prova";

// A certificate to put on the token: its label and id, its holder, its validity around now (days,
// negative for the past) and whether it carries the non-repudiation use.
struct TestCertificate {
  std::string label;
  std::string id;
  std::string holder;
  long from_days = -30;
  long to_days = 365;
  bool non_repudiation = true;
};

class SoftHsmToken {
 public:
  // Makes the store and the token; SOFTHSM2_CONF points at it for this process and its children.
  SoftHsmToken() {
    std::filesystem::create_directories(dir_ / "tokens");
    dir_.Write("softhsm2.conf", "directories.tokendir = " + (dir_ / "tokens").string() +
                                    "\nobjectstore.backend = file\nlog.level = ERROR\n");
    setenv("SOFTHSM2_CONF", (dir_ / "softhsm2.conf").c_str(), 1);
    Module m;
    CK_SLOT_ID slot = m.Slots(false).at(0);
    CK_UTF8CHAR label[32];
    std::fill(std::begin(label), std::end(label), ' ');
    std::copy(kTokenLabel, kTokenLabel + sizeof kTokenLabel - 1, label);
    std::string so = "123456";
    m.Check(m.f->C_InitToken(slot, reinterpret_cast<CK_UTF8CHAR*>(so.data()), so.size(), label), "C_InitToken");
    slot = m.InitializedSlot();
    CK_SESSION_HANDLE s = m.Open(slot, CKF_RW_SESSION);
    m.Check(m.f->C_Login(s, CKU_SO, reinterpret_cast<CK_UTF8CHAR*>(so.data()), so.size()), "C_Login SO");
    std::string pin = kTokenPin;
    m.Check(m.f->C_InitPIN(s, reinterpret_cast<CK_UTF8CHAR*>(pin.data()), pin.size()), "C_InitPIN");
    m.f->C_Logout(s);
    m.f->C_CloseSession(s);
  }

  const std::filesystem::path& folder() const { return dir_.path(); }

  // Generates a key pair and its self-signed certificate and puts both on the token; the
  // certificate's DER is also kept as a file, for OpenSSL's verification.
  std::filesystem::path Add(const TestCertificate& c) {
    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), static_cast<long>(++serial_));
    X509_gmtime_adj(X509_getm_notBefore(x), c.from_days * 86400L);
    X509_gmtime_adj(X509_getm_notAfter(x), c.to_days * 86400L);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(c.holder.c_str()), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("Comune di prova"), -1, -1, 0);
    X509_set_issuer_name(x, name);
    X509_set_pubkey(x, key);
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
    const std::string usage = c.non_repudiation ? "critical,nonRepudiation" : "critical,digitalSignature";
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_key_usage, usage.c_str());
    X509_add_ext(x, ext, -1);
    X509_EXTENSION_free(ext);
    X509_sign(x, key, EVP_sha256());
    unsigned char* der = nullptr;
    const int der_length = i2d_X509(x, &der);
    const std::string cert(reinterpret_cast<char*>(der), static_cast<std::size_t>(der_length));
    OPENSSL_free(der);
    unsigned char* subject_der = nullptr;
    const int subject_length = i2d_X509_NAME(name, &subject_der);
    const std::string subject(reinterpret_cast<char*>(subject_der), static_cast<std::size_t>(subject_length));
    OPENSSL_free(subject_der);

    Module m;
    CK_SESSION_HANDLE s = m.Open(m.InitializedSlot(), CKF_RW_SESSION);
    std::string pin = kTokenPin;
    m.Check(m.f->C_Login(s, CKU_USER, reinterpret_cast<CK_UTF8CHAR*>(pin.data()), pin.size()), "C_Login");
    CK_BBOOL yes = CK_TRUE;
    CK_OBJECT_CLASS key_class = CKO_PRIVATE_KEY;
    CK_KEY_TYPE rsa = CKK_RSA;
    std::vector<std::string> parts;
    const char* names[] = {OSSL_PKEY_PARAM_RSA_N, OSSL_PKEY_PARAM_RSA_E, OSSL_PKEY_PARAM_RSA_D,
                           OSSL_PKEY_PARAM_RSA_FACTOR1, OSSL_PKEY_PARAM_RSA_FACTOR2, OSSL_PKEY_PARAM_RSA_EXPONENT1,
                           OSSL_PKEY_PARAM_RSA_EXPONENT2, OSSL_PKEY_PARAM_RSA_COEFFICIENT1};
    for (const char* n : names) {
      BIGNUM* bn = nullptr;
      EVP_PKEY_get_bn_param(key, n, &bn);
      std::string bytes(static_cast<std::size_t>(BN_num_bytes(bn)), '\0');
      BN_bn2bin(bn, reinterpret_cast<unsigned char*>(bytes.data()));
      BN_free(bn);
      parts.push_back(std::move(bytes));
    }
    std::string id = c.id;
    std::string label = c.label;
    const CK_ATTRIBUTE_TYPE part_types[] = {CKA_MODULUS, CKA_PUBLIC_EXPONENT, CKA_PRIVATE_EXPONENT, CKA_PRIME_1,
                                            CKA_PRIME_2, CKA_EXPONENT_1, CKA_EXPONENT_2, CKA_COEFFICIENT};
    std::vector<CK_ATTRIBUTE> key_template = {
        {CKA_CLASS, &key_class, sizeof key_class}, {CKA_KEY_TYPE, &rsa, sizeof rsa},
        {CKA_TOKEN, &yes, sizeof yes},             {CKA_PRIVATE, &yes, sizeof yes},
        {CKA_SIGN, &yes, sizeof yes},              {CKA_ID, id.data(), id.size()},
        {CKA_LABEL, label.data(), label.size()}};
    for (std::size_t i = 0; i < parts.size(); ++i) key_template.push_back({part_types[i], parts[i].data(), parts[i].size()});
    CK_OBJECT_HANDLE object = 0;
    m.Check(m.f->C_CreateObject(s, key_template.data(), key_template.size(), &object), "C_CreateObject key");
    CK_OBJECT_CLASS cert_class = CKO_CERTIFICATE;
    CK_CERTIFICATE_TYPE x509 = CKC_X_509;
    CK_BBOOL no = CK_FALSE;
    std::string value = cert;
    std::string subject_value = subject;
    CK_ATTRIBUTE cert_template[] = {
        {CKA_CLASS, &cert_class, sizeof cert_class}, {CKA_CERTIFICATE_TYPE, &x509, sizeof x509},
        {CKA_TOKEN, &yes, sizeof yes},               {CKA_PRIVATE, &no, sizeof no},
        {CKA_ID, id.data(), id.size()},              {CKA_LABEL, label.data(), label.size()},
        {CKA_SUBJECT, subject_value.data(), subject_value.size()}, {CKA_VALUE, value.data(), value.size()}};
    m.Check(m.f->C_CreateObject(s, cert_template, std::size(cert_template), &object), "C_CreateObject cert");
    m.f->C_Logout(s);
    m.f->C_CloseSession(s);
    X509_free(x);
    EVP_PKEY_free(key);
    return dir_.Write(c.label + ".der", cert);
  }

 private:
  // The module, initialised for one step and finalised after it, so that the code under test finds
  // it as a program would.
  struct Module {
    void* handle = dlopen(kSoftHsmModule, RTLD_NOW | RTLD_LOCAL);
    CK_FUNCTION_LIST* f = nullptr;
    Module() {
      if (handle == nullptr) throw std::runtime_error("SoftHSM2 is not installed: " + std::string(kSoftHsmModule));
      auto get = reinterpret_cast<CK_C_GetFunctionList>(dlsym(handle, "C_GetFunctionList"));
      get(&f);
      Check(f->C_Initialize(nullptr), "C_Initialize");
    }
    ~Module() {
      f->C_Finalize(nullptr);
      dlclose(handle);
    }
    static void Check(CK_RV rv, const char* what) {
      if (rv != CKR_OK) throw std::runtime_error(std::string(what) + " failed: " + std::to_string(rv));
    }
    std::vector<CK_SLOT_ID> Slots(bool present) const {
      CK_ULONG n = 0;
      f->C_GetSlotList(present ? CK_TRUE : CK_FALSE, nullptr, &n);
      std::vector<CK_SLOT_ID> slots(n);
      f->C_GetSlotList(present ? CK_TRUE : CK_FALSE, slots.data(), &n);
      slots.resize(n);
      return slots;
    }
    CK_SLOT_ID InitializedSlot() const {
      for (CK_SLOT_ID slot : Slots(true)) {
        CK_TOKEN_INFO info{};
        if (f->C_GetTokenInfo(slot, &info) == CKR_OK && (info.flags & CKF_TOKEN_INITIALIZED) != 0) return slot;
      }
      throw std::runtime_error("no initialised SoftHSM2 token");
    }
    CK_SESSION_HANDLE Open(CK_SLOT_ID slot, CK_FLAGS extra = 0) const {
      CK_SESSION_HANDLE s = 0;
      Check(f->C_OpenSession(slot, CKF_SERIAL_SESSION | extra, nullptr, nullptr, &s), "C_OpenSession");
      return s;
    }
  };

  TempDir dir_;
  int serial_ = 0;
};

}  // namespace nerovale::testing
