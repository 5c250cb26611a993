#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// SHA-256 from OpenSSL's libcrypto, the library that signs: the fingerprint of a notice file that its
// summary prints and its register keeps, and that is checked again before the file is signed.
namespace nerovale::signature {

// The digest of some bytes as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// The digest of a file's content; none when the file cannot be read (only a regular file is read).
std::optional<std::string> FileSha256Hex(const std::filesystem::path& file);

}  // namespace nerovale::signature
