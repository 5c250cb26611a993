#include "signature/signing.h"

#include <algorithm>
#include <sstream>

#include "core/system_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "signature/digest.h"
#include "signature/signature_texts.h"

namespace nerovale::signature {
namespace {

constexpr std::size_t kMaxSettingsBytes = 64 * 1024;
// A notice of the largest table is about 40 MB; its signed file a little more.
constexpr std::size_t kMaxSignedBytes = std::size_t{512} << 20;
constexpr std::string_view kModuleKey = "modulo";

// The words of a name, folded to capitals without accents.
std::vector<std::string> Words(const std::string& name) {
  std::vector<std::string> words;
  std::istringstream in(text::FoldMarks(text::ToUpper(name)));
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool HeldBy(const Certificate& certificate, const std::string& cognome, const std::string& nome) {
  const auto holder = Words(certificate.holder);
  auto wanted = Words(cognome);
  const auto given = Words(nome);
  wanted.insert(wanted.end(), given.begin(), given.end());
  return !wanted.empty() && std::all_of(wanted.begin(), wanted.end(), [&holder](const std::string& word) {
    return std::find(holder.begin(), holder.end(), word) != holder.end();
  });
}

}  // namespace

std::time_t TimeOfMoment(const Moment& moment) {
  std::tm local{};
  local.tm_year = static_cast<int>(moment.date.year()) - 1900;
  local.tm_mon = static_cast<int>(static_cast<unsigned>(moment.date.month())) - 1;
  local.tm_mday = static_cast<int>(static_cast<unsigned>(moment.date.day()));
  local.tm_hour = moment.hour;
  local.tm_min = moment.minute;
  local.tm_sec = moment.second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

Status ReadSettings(const std::filesystem::path& file, Settings& settings) {
  if (!files::AlreadyThere(file)) return Status::Ok();
  const text::Lines read = text::ReadCp1252Lines(file, kMaxSettingsBytes);
  if (read.error != 0) return Status::Failure(files::ReadFailureText(file, read.error));
  for (std::size_t i = 0; i < read.lines.size(); ++i) {
    const std::string_view line = text::TrimBlanks(read.lines[i]);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    const auto equals = line.find('=');
    if (text::HasControl(line) || equals == std::string_view::npos || text::TrimBlanks(line.substr(0, equals)) != kModuleKey) {
      return Status::Failure("Il file " + file.string() + " è danneggiato alla riga " + std::to_string(i + 1));
    }
    settings.module = std::string(text::TrimBlanks(line.substr(equals + 1)));
  }
  return Status::Ok();
}

Status WriteSettings(const std::filesystem::path& file, const Settings& settings) {
  return text::WriteCp1252LinesAtomically(file, {std::string(kModuleKey) + "=" + settings.module.string()});
}

std::size_t PreferredCertificate(const std::vector<Certificate>& certificates, const std::string& cognome,
                                 const std::string& nome, std::time_t moment) {
  for (std::size_t i = 0; i < certificates.size(); ++i) {
    if (HeldBy(certificates[i], cognome, nome)) return i;
  }
  for (std::size_t i = 0; i < certificates.size(); ++i) {
    if (certificates[i].non_repudiation && CanSignAt(certificates[i], moment)) return i;
  }
  return 0;
}

const Certificate* CertificateByLabel(const std::vector<Certificate>& certificates, const std::string& label) {
  for (const auto& c : certificates) {
    if (c.label == label) return &c;
  }
  return nullptr;
}

Status CanSignAt(const Certificate& certificate, std::time_t moment) {
  if (!certificate.rsa) return Status::Failure(NotRsaText(certificate.holder));
  if (moment < certificate.not_before) return Status::Failure(NotYetValidText(certificate.holder, certificate.not_before));
  if (moment > certificate.not_after) return Status::Failure(ExpiredText(certificate.holder, certificate.not_after));
  return Status::Ok();
}

Signed SignFile(const std::filesystem::path& file, const std::string& expected_sha256, Token& token,
                const Certificate& certificate, const std::string& pin, std::time_t moment) {
  Signed result;
  result.p7m = file;
  result.p7m += ".p7m";
  result.holder = certificate.holder;
  if (Status usable = CanSignAt(certificate, moment); !usable) {
    result.status = usable;
    return result;
  }
  std::string content;
  if (const int error = files::ReadWholeFile(file, kMaxSignedBytes, content); error != 0) {
    result.status = Status::Failure(files::ReadFailureText(file, error));
    return result;
  }
  // What is signed is what was validated: the file read now must be the one whose digest was taken.
  if (Sha256Hex(content) != expected_sha256) {
    result.status = Status::Failure(ChangedSinceValidationText(file.string()));
    return result;
  }
  if (Status in = token.Login(certificate, pin); !in) {
    result.status = in;
    return result;
  }
  const SignedData made = SignCades(content, certificate, token, moment);
  if (!made.status) {
    result.status = made.status;
    return result;
  }
  // The notice folder is held while its signed file is written, so that a run cleaning up the
  // destination never takes the signed file's temporary for a killed run's; the leftovers of a signing
  // killed earlier go first.
  files::FolderLock held;
  (void)held.Lock(file.parent_path());
  files::RemoveLeftoverTemporaries(result.p7m);
  result.status = files::WriteAtomically(result.p7m, made.der());
  return result;
}

SignedFileReport CheckSignedFile(const std::filesystem::path& p7m) {
  SignedFileReport report;
  std::string der;
  if (const int error = files::ReadWholeFile(p7m, kMaxSignedBytes, der); error != 0) {
    report.verification.status = Status::Failure(files::ReadFailureText(p7m, error));
    return report;
  }
  report.verification = VerifyCades(der);
  if (!report.verification.status) return report;
  report.beside = p7m;
  if (report.beside.extension() == ".p7m") report.beside.replace_extension();
  std::string beside;
  if (report.beside == p7m || files::ReadWholeFile(report.beside, kMaxSignedBytes, beside) != 0) {
    report.content = SignedFileReport::Beside::kMissing;
  } else {
    report.content = beside == report.verification.content ? SignedFileReport::Beside::kSame
                                                           : SignedFileReport::Beside::kDifferent;
  }
  return report;
}

bool ReportIsGood(const SignedFileReport& report) {
  return report.verification.status && report.verification.intact && report.content == SignedFileReport::Beside::kSame;
}

std::string ReportText(const std::filesystem::path& p7m, const SignedFileReport& report, std::time_t now) {
  const Verification& v = report.verification;
  if (!v.status) return "Il file " + p7m.string() + " non si può verificare: " + v.status.message() + ".";
  std::string text = v.intact ? "La firma del file " + p7m.string() + " è integra."
                              : "LA FIRMA DEL FILE " + p7m.string() + " NON È VALIDA (" + v.problem + ").";
  const Certificate& c = v.signer;
  text += "\nFirmato da: " + (c.holder.empty() ? std::string("(certificato non presente nel file)") : c.holder);
  text += "\nFirmato il: " + (v.signing_time ? LocalTimeText(*v.signing_time) : std::string("(data non indicata)"));
  if (!c.der.empty()) {
    text += "\nCertificato: emesso da " + c.issuer + ", numero di serie " + c.serial + ", valido dal " +
            LocalDayText(c.not_before) + " al " + LocalDayText(c.not_after);
    if (now > c.not_after) {
      text += " (scaduto)";
    } else if (now < c.not_before) {
      text += " (non ancora valido)";
    }
    if (!c.non_repudiation) text += "\nIl certificato non ha l'uso \"non ripudio\".";
  }
  text += "\nFormato: CAdES" + std::string(v.signing_certificate_v2 ? "-BES" : " incompleto (manca signing-certificate-v2)") +
          ", impronta " + v.digest;
  switch (report.content) {
    case SignedFileReport::Beside::kSame:
      text += "\nIl contenuto firmato è identico al file " + report.beside.string() + ".";
      break;
    case SignedFileReport::Beside::kDifferent:
      text += "\nIL CONTENUTO FIRMATO È DIVERSO DAL FILE " + report.beside.string() + ".";
      break;
    case SignedFileReport::Beside::kMissing:
      text += "\nIl file " + report.beside.string() + " non c'è accanto al file firmato: il contenuto non è confrontato.";
      break;
  }
  text += "\nLa catena di certificazione non è verificata dal programma.";
  return text;
}

}  // namespace nerovale::signature
