#include "signature/digest.h"

#include <openssl/evp.h>

#include <array>
#include <memory>

#include "core/system_files.h"

namespace nerovale::signature {
namespace {

std::string Hex(const unsigned char* digest, unsigned length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * length);
  for (unsigned i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  return Hex(digest, length);
}

std::optional<std::string> FileSha256Hex(const std::filesystem::path& file) {
  files::SystemFile in = files::SystemFile::OpenForReading(file);  // a regular file only: never waits
  if (!in.opened()) return std::nullopt;
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
  std::array<char, 1 << 16> buffer{};
  for (;;) {
    const long got = in.Read(buffer.data(), buffer.size());
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
  return Hex(digest, length);
}

}  // namespace nerovale::signature
