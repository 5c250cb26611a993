#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// SHA-256 (FIPS 180-4), for the fingerprint of a notice file that its summary prints: an office can
// check later that the file it holds is the one the summary describes.
namespace nerovale::summary {

// The digest of some bytes as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// The digest of a file's content; none when the file cannot be read.
std::optional<std::string> FileSha256Hex(const std::filesystem::path& file);

}  // namespace nerovale::summary
