#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/status.h"

// The signer's smart card or USB token, reached through its PKCS#11 module (OpenSC's for Italian
// cards, SoftHSM2 in the tests). The private key never leaves the token: the token is asked to sign
// a digest, and answers the signature.
namespace nerovale::signature {

// A certificate on the token, with what the window shows of it and what the signing checks.
struct Certificate {
  std::string label;                 // the token's label of the object
  std::string id;                    // CKA_ID: binds the certificate to its key
  std::string der;                   // the certificate itself
  std::string holder;                // the subject's common name, or its given name and surname
  std::string issuer;                // the issuer's common name or organisation
  std::string serial;                // hexadecimal
  std::time_t not_before = 0;
  std::time_t not_after = 0;
  bool non_repudiation = false;      // the key usage of a qualified signature
  bool rsa = false;                  // the token signs RSA keys here
  std::string token_label;
  unsigned long slot = 0;
};

// Fills in what a certificate's DER says of its holder, issuer, serial, validity and use; false for
// what is no certificate, or one of a certification authority (which does not sign documents).
bool DescribeCertificate(Certificate& certificate);

// A signature answered by the token, or why there is none.
struct TokenSignature {
  Status status;
  std::string bytes;
};

class Token {
 public:
  // Loads the module and finds the tokens it sees. A failure says which module and why: the file is
  // missing, is no PKCS#11 module, or no token is inserted.
  static std::unique_ptr<Token> Open(const std::filesystem::path& module, Status& status);
  ~Token();
  Token(const Token&) = delete;
  Token& operator=(const Token&) = delete;

  const std::filesystem::path& module() const noexcept { return module_; }
  // The end-entity certificates of every token present (certificates of authorities left out), in
  // the token's order.
  const std::vector<Certificate>& certificates() const noexcept { return certificates_; }

  // Logs in to the certificate's token with the PIN and finds the private key that has the
  // certificate's id. A wrong PIN says how many tries are left when the token tells; a locked PIN
  // says so. The PIN is not kept.
  [[nodiscard]] Status Login(const Certificate& certificate, const std::string& pin);
  // Signs a PKCS#1 DigestInfo with the key found by Login.
  TokenSignature SignDigestInfo(const std::string& digest_info);

  struct Module;

 private:
  Token() = default;
  std::filesystem::path module_;
  std::unique_ptr<Module> lib_;
  std::vector<Certificate> certificates_;
  unsigned long session_ = 0;
  bool session_open_ = false;
  unsigned long key_ = 0;
};

}  // namespace nerovale::signature
