// Signing with a real token (SoftHSM2) and reading the signed file back with OpenSSL's own CMS
// verification; the reasons of every failure, and nothing written when signing fails.
#include "signature/signing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "signature/digest.h"
#include "signature/signature_texts.h"
#include "softhsm_token.h"
#include "temp_dir.h"

namespace nerovale::signature {
namespace {

using testing::kSoftHsmModule;
using testing::kTokenPin;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    if (pclose(pipe) != 0) out += "\n[exit status not 0]";
  }
  return out;
}

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class Signing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hsm_ = new testing::SoftHsmToken;
    hsm_->Add({"firma-rossi", "\x01", "ROSSI MARIO"});
    hsm_->Add({"firma-bianchi", "\x02", "Anna Bianchi", -30, 365, false});
    hsm_->Add({"scaduto", "\x03", "VERDI LUCA", -400, -10});
    hsm_->Add({"futuro", "\x04", "NERI PAOLA", 10, 400});
  }
  static void TearDownTestSuite() { delete hsm_; }

  void SetUp() override {
    Status opened;
    token_ = Token::Open(kSoftHsmModule, opened);
    ASSERT_TRUE(opened) << opened.message();
    notice_ = dir_.Write("Nerovale_20261130,0930/nerovale_5_20261130.xml", std::string("<?xml version=\"1.0\"?>\n<a>\xc3\xa8</a>\n"));
  }
  const Certificate& Labelled(const std::string& label) const {
    const Certificate* c = CertificateByLabel(token_->certificates(), label);
    EXPECT_NE(c, nullptr) << label;
    return *c;
  }
  Signed Sign(const std::string& label, const std::string& pin = kTokenPin) {
    return SignFile(notice_, *FileSha256Hex(notice_), *token_, Labelled(label), pin, std::time(nullptr));
  }

  static testing::SoftHsmToken* hsm_;
  testing::TempDir dir_;
  std::unique_ptr<Token> token_;
  std::filesystem::path notice_;
};
testing::SoftHsmToken* Signing::hsm_ = nullptr;

TEST_F(Signing, TheTokenListsItsCertificatesAndTheContactPersonsComesFirst) {
  ASSERT_EQ(token_->certificates().size(), 4U);
  const Certificate& rossi = Labelled("firma-rossi");
  EXPECT_EQ(rossi.holder, "ROSSI MARIO");
  EXPECT_EQ(rossi.issuer, "ROSSI MARIO");
  EXPECT_TRUE(rossi.non_repudiation);
  EXPECT_TRUE(rossi.rsa);
  EXPECT_EQ(rossi.token_label, testing::kTokenLabel);
  EXPECT_FALSE(Labelled("firma-bianchi").non_repudiation);
  const auto& all = token_->certificates();
  const std::time_t now = std::time(nullptr);
  // Whatever the order and case of the words, with or without accents; else one that can sign.
  EXPECT_EQ(all[PreferredCertificate(all, "Bianchi", "ANNA", now)].label, "firma-bianchi");
  EXPECT_EQ(all[PreferredCertificate(all, "rossi", "Mario", now)].label, "firma-rossi");
  EXPECT_EQ(all[PreferredCertificate(all, "NERI", "PAOLA", now)].label, "futuro");
  EXPECT_EQ(all[PreferredCertificate(all, "GIALLI", "ANNA", now)].label, "firma-rossi");
}

TEST_F(Signing, TheSignedFileIsCadesBesThatOpenSslOpensToTheNoticeByteForByte) {
  const Signed made = Sign("firma-rossi");
  ASSERT_TRUE(made.status) << made.status.message();
  EXPECT_EQ(made.p7m, dir_.path() / "Nerovale_20261130,0930/nerovale_5_20261130.xml.p7m");
  EXPECT_EQ(made.holder, "ROSSI MARIO");
  const auto out = dir_ / "content.xml";
  EXPECT_EQ(Shell("openssl cms -verify -binary -inform DER -in '" + made.p7m.string() + "' -noverify -out '" +
                out.string() + "'"),
            "CMS Verification successful\n");
  EXPECT_EQ(ReadAll(out), ReadAll(notice_));
  const std::string printed = Shell("openssl cms -cmsout -print -inform DER -in '" + made.p7m.string() + "'");
  EXPECT_NE(printed.find("id-smime-aa-signingCertificateV2"), std::string::npos);
  EXPECT_NE(printed.find("signingTime"), std::string::npos);
  EXPECT_NE(printed.find("sha256"), std::string::npos);
  EXPECT_EQ(printed.find("SMIMECapabilities"), std::string::npos);

  // Read back by the program: who, when, with what, and the file beside it.
  SignedFileReport report = CheckSignedFile(made.p7m);
  EXPECT_TRUE(ReportIsGood(report));
  EXPECT_TRUE(report.verification.signing_certificate_v2);
  EXPECT_EQ(report.verification.digest, "SHA256");
  EXPECT_EQ(report.verification.signer.holder, "ROSSI MARIO");
  ASSERT_TRUE(report.verification.signing_time);
  EXPECT_LE(std::abs(*report.verification.signing_time - std::time(nullptr)), 120);
  const std::string text = ReportText(made.p7m, report, std::time(nullptr));
  EXPECT_EQ(text.rfind("La firma del file " + made.p7m.string() + " è integra.", 0), 0U) << text;
  EXPECT_NE(text.find("Firmato da: ROSSI MARIO"), std::string::npos);
  EXPECT_NE(text.find("identico al file " + notice_.string()), std::string::npos);

  // The file beside it changed afterwards, or gone; the signed file itself altered.
  dir_.Write("Nerovale_20261130,0930/nerovale_5_20261130.xml", "<a/>\n");
  report = CheckSignedFile(made.p7m);
  EXPECT_EQ(report.content, SignedFileReport::Beside::kDifferent);
  EXPECT_FALSE(ReportIsGood(report));
  std::filesystem::remove(notice_);
  EXPECT_EQ(CheckSignedFile(made.p7m).content, SignedFileReport::Beside::kMissing);
  std::string der = ReadAll(made.p7m);
  const auto at = der.find("<a>");
  ASSERT_NE(at, std::string::npos);
  der[at + 1] = 'b';
  const auto altered = dir_.Write("altered.xml.p7m", der);
  report = CheckSignedFile(altered);
  EXPECT_TRUE(report.verification.status);
  EXPECT_FALSE(report.verification.intact);
  EXPECT_EQ(ReportText(altered, report, std::time(nullptr)).rfind("LA FIRMA DEL FILE", 0), 0U);
  EXPECT_FALSE(CheckSignedFile(dir_.Write("plain.p7m", "not a signature")).verification.status);
}

TEST_F(Signing, EveryFailureSaysWhyAndWritesNothing) {
  const auto p7m = notice_.string() + ".p7m";
  const auto failure = [&](const Signed& made) {
    EXPECT_FALSE(made.status);
    EXPECT_FALSE(std::filesystem::exists(p7m));
    return made.status.message();
  };
  EXPECT_EQ(failure(Sign("firma-rossi", "0000")).rfind("PIN errato.", 0), 0U);
  EXPECT_NE(failure(Sign("scaduto")).find("Il certificato di VERDI LUCA è scaduto il "), std::string::npos);
  EXPECT_NE(failure(Sign("futuro")).find("Il certificato di NERI PAOLA è valido solo dal "), std::string::npos);
  // The file changed between its validation and the signing.
  const std::string validated = *FileSha256Hex(notice_);
  dir_.Write("Nerovale_20261130,0930/nerovale_5_20261130.xml", "<a>changed</a>\n");
  EXPECT_EQ(failure(SignFile(notice_, validated, *token_, Labelled("firma-rossi"), kTokenPin, std::time(nullptr))),
            ChangedSinceValidationText(notice_.string()));
  // A signed file that cannot be written: its name taken by a folder. Nothing is left beside it.
  std::filesystem::create_directory(p7m);
  const Signed blocked = Sign("firma-rossi");
  EXPECT_FALSE(blocked.status);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(notice_.parent_path())) ++entries;
  EXPECT_EQ(entries, 2U);  // the notice and the folder
  std::filesystem::remove(p7m);
  // A certificate without non-repudiation signs; the caller warns.
  EXPECT_TRUE(Sign("firma-bianchi").status);
}

TEST(SigningModule, AMissingOrWrongModuleSaysSo) {
  testing::TempDir dir;
  Status status;
  EXPECT_EQ(Token::Open(dir / "none.so", status), nullptr);
  EXPECT_EQ(status.message(), ModuleMissingText((dir / "none.so").string()));
  const auto text = dir.Write("text.so", "not a library");
  EXPECT_EQ(Token::Open(text, status), nullptr);
  EXPECT_EQ(status.message().rfind("Il file " + text.string() + " non è un modulo PKCS#11 (", 0), 0U);
  EXPECT_EQ(Token::Open("/lib/x86_64-linux-gnu/libm.so.6", status), nullptr);
  EXPECT_EQ(status.message(), NotAModuleText("/lib/x86_64-linux-gnu/libm.so.6", "manca C_GetFunctionList"));
  // A token store without any initialised token: nothing to sign with.
  dir.Write("empty/softhsm2.conf", "directories.tokendir = " + (dir / "empty").string() + "\nobjectstore.backend = file\n");
  setenv("SOFTHSM2_CONF", (dir / "empty/softhsm2.conf").c_str(), 1);
  EXPECT_EQ(Token::Open(kSoftHsmModule, status), nullptr);
  EXPECT_EQ(status.message(), NoCertificateText(kSoftHsmModule));
}

TEST(SigningSettings, FirmaIniNamesTheModule) {
  testing::TempDir dir;
  Settings settings;
  EXPECT_TRUE(ReadSettings(dir / "firma.ini", settings));
  EXPECT_EQ(settings.module, kDefaultModule);
  ASSERT_TRUE(WriteSettings(dir / "firma.ini", {"/opt/carta/libcarta.so"}));
  EXPECT_EQ(ReadAll(dir / "firma.ini"), "modulo=/opt/carta/libcarta.so\r\n");
  dir.Write("firma.ini", "# il lettore dell'ufficio\r\nmodulo = /usr/lib/x.so \r\n");
  EXPECT_TRUE(ReadSettings(dir / "firma.ini", settings));
  EXPECT_EQ(settings.module, "/usr/lib/x.so");
  dir.Write("firma.ini", "modulo=/a.so\r\npin=1234\r\n");
  EXPECT_EQ(ReadSettings(dir / "firma.ini", settings).message(),
            "Il file " + (dir / "firma.ini").string() + " è danneggiato alla riga 2");
}

TEST(Digest, IsOpenSslsSha256OfTheFile) {
  testing::TempDir dir;
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(FileSha256Hex(dir.Write("a.xml", std::string(70000, 'a'))), Sha256Hex(std::string(70000, 'a')));
  EXPECT_FALSE(FileSha256Hex(dir / "none.xml"));
}

}  // namespace
}  // namespace nerovale::signature
