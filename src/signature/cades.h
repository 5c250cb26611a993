#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/status.h"
#include "signature/token.h"

// The signed notice: a CAdES-BES signature (CMS SignedData with the content inside, SHA-256, the
// signing time and the ESS signing-certificate-v2 attribute that binds the signer's certificate), the
// .p7m file Italian offices exchange. Made with the token's key; read back and checked by OpenSSL.
namespace nerovale::signature {

struct SignedData {
  Status status;
  // The .p7m file's bytes, as OpenSSL encoded them (tens of megabytes for the largest notice: kept
  // where they were made, never copied).
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> bytes{nullptr, nullptr};
  std::size_t size = 0;
  std::string_view der() const noexcept { return {reinterpret_cast<const char*>(bytes.get()), size}; }
};

// Signs the content with the key that Login found for the certificate, at the given moment.
SignedData SignCades(std::string_view content, const Certificate& certificate, Token& token, std::time_t signing_time);

// What a .p7m file says: who signed, when, with which certificate, and whether the signature holds.
// The certificate's chain up to an authority is not checked: the program holds no list of trusted
// authorities.
struct Verification {
  Status status;                          // the file could be read as a signed document
  bool intact = false;                    // the signature and the content's digest hold
  std::string problem;                    // why not, when not intact
  Certificate signer;                     // holder, issuer, serial, validity
  std::optional<std::time_t> signing_time;
  bool signing_certificate_v2 = false;    // CAdES: the certificate is bound by its digest
  std::string digest;                     // the digest algorithm's name ("SHA256")
  std::string content;                    // what was signed
};

Verification VerifyCades(std::string_view der);

}  // namespace nerovale::signature
