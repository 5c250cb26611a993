#pragma once

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/status.h"
#include "signature/cades.h"
#include "signature/token.h"

// Signing a validated notice file and checking a signed one: the steps the notice session runs for
// the window and nerovale-batch alike.
namespace nerovale::signature {

// A moment of the local clock as the system's time, for the signing time and the certificates' validity.
std::time_t TimeOfMoment(const Moment& moment);

// firma.ini beside config.ini: one line "modulo=PATH", the PKCS#11 module of the card reader. Without
// the file (or the line) the module is OpenSC's, which serves Italian signature cards.
inline constexpr char kSettingsFileName[] = "firma.ini";
inline constexpr char kDefaultModule[] = "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so";
struct Settings {
  std::filesystem::path module = kDefaultModule;
};
// A missing file gives the defaults; an unreadable or damaged one says why and which line.
[[nodiscard]] Status ReadSettings(const std::filesystem::path& file, Settings& settings);
[[nodiscard]] Status WriteSettings(const std::filesystem::path& file, const Settings& settings);

// The certificate whose holder is the contact person (every word of the surname and the name among
// the holder's, whatever the case and accents), else the first with the non-repudiation use, else the
// first.
std::size_t PreferredCertificate(const std::vector<Certificate>& certificates, const std::string& cognome,
                                 const std::string& nome, std::time_t moment);
// The certificate of a label given on the command line, or none.
const Certificate* CertificateByLabel(const std::vector<Certificate>& certificates, const std::string& label);

// Whether the certificate can sign at that moment (within its validity, an RSA key); a certificate
// without the non-repudiation use can, and the caller warns.
[[nodiscard]] Status CanSignAt(const Certificate& certificate, std::time_t moment);

// What signing a file made: the .p7m beside it, or why nothing was written.
struct Signed {
  Status status;
  std::filesystem::path p7m;
  std::string holder;
};

// Signs the file as it is on the disk, provided its SHA-256 is still the one given (the validated
// file's): PIN, key, CAdES-BES, then FILE.p7m written atomically. Nothing is written on any failure,
// and the file itself is never touched.
Signed SignFile(const std::filesystem::path& file, const std::string& expected_sha256, Token& token,
                const Certificate& certificate, const std::string& pin, std::time_t moment);

// A signed file checked: the signature, and whether its content is the file beside it (FILE for
// FILE.p7m).
struct SignedFileReport {
  Verification verification;
  std::filesystem::path beside;            // the file the content is compared with
  enum class Beside { kSame, kDifferent, kMissing } content = Beside::kMissing;
};
SignedFileReport CheckSignedFile(const std::filesystem::path& p7m);
// The report for the operator, one fact a line; the first line says whether the signature holds.
std::string ReportText(const std::filesystem::path& p7m, const SignedFileReport& report, std::time_t now);
// Whether the report is good news: readable, intact, with the file beside it identical.
bool ReportIsGood(const SignedFileReport& report);

}  // namespace nerovale::signature
