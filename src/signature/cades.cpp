// The token signs a digest, OpenSSL builds the CMS around it. The key that OpenSSL is given holds only
// the public half and a method whose sign operation asks the token: the RSA method interface is the
// one OpenSSL 3.0 offers for keys held elsewhere without a provider of their own, and is marked as
// deprecated there, hence the define below.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "signature/cades.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>

namespace nerovale::signature {
namespace {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const noexcept { Free(p); }
};
using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo_free>>;
using AsnTimePtr = std::unique_ptr<ASN1_TIME, Deleter<ASN1_TIME_free>>;

// The last OpenSSL error as text, and the queue emptied.
std::string OpenSslError() {
  char text[256] = {};
  const unsigned long code = ERR_peek_last_error();
  if (code != 0) ERR_error_string_n(code, text, sizeof text);
  ERR_clear_error();
  return text[0] != '\0' ? text : "errore sconosciuto";
}

X509Ptr ParseCertificate(std::string_view der) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  return X509Ptr(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
}

// While the CMS is signed, the token and what it answered.
struct TokenCall {
  Token* token;
  Status status;
};

int CallIndex() {
  static const int index = RSA_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// DigestInfo ::= SEQUENCE { AlgorithmIdentifier sha256 NULL, OCTET STRING digest }, before the digest.
constexpr unsigned char kSha256DigestInfo[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                               0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};

int SignOnToken(int type, const unsigned char* digest, unsigned int length, unsigned char* signature,
                unsigned int* signature_length, const RSA* rsa) {
  auto* call = static_cast<TokenCall*>(RSA_get_ex_data(rsa, CallIndex()));
  if (call == nullptr || type != NID_sha256 || length != 32) return 0;
  std::string info(reinterpret_cast<const char*>(kSha256DigestInfo), sizeof kSha256DigestInfo);
  info.append(reinterpret_cast<const char*>(digest), length);
  TokenSignature answer = call->token->SignDigestInfo(info);
  if (!answer.status) {
    call->status = answer.status;
    return 0;
  }
  if (answer.bytes.size() > static_cast<std::size_t>(RSA_size(rsa))) return 0;
  std::copy(answer.bytes.begin(), answer.bytes.end(), signature);
  *signature_length = static_cast<unsigned int>(answer.bytes.size());
  return 1;
}

const RSA_METHOD* TokenMethod() {
  static RSA_METHOD* method = [] {
    RSA_METHOD* m = RSA_meth_dup(RSA_get_default_method());
    RSA_meth_set1_name(m, "nerovale token");
    RSA_meth_set_sign(m, SignOnToken);
    return m;
  }();
  return method;
}

// A key of the certificate's public half whose signing is done by the token.
PkeyPtr TokenKey(X509* certificate, TokenCall& call) {
  const RSA* public_half = EVP_PKEY_get0_RSA(X509_get0_pubkey(certificate));
  if (public_half == nullptr) return nullptr;
  RSA* rsa = RSA_new();
  RSA_set_method(rsa, TokenMethod());
  RSA_set0_key(rsa, BN_dup(RSA_get0_n(public_half)), BN_dup(RSA_get0_e(public_half)), nullptr);
  RSA_set_ex_data(rsa, CallIndex(), &call);
  PkeyPtr key(EVP_PKEY_new());
  EVP_PKEY_assign_RSA(key.get(), rsa);
  return key;
}

std::optional<std::time_t> SigningTime(CMS_SignerInfo* si) {
  const int at = CMS_signed_get_attr_by_NID(si, NID_pkcs9_signingTime, -1);
  if (at < 0) return std::nullopt;
  const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_signed_get_attr(si, at), 0);
  if (value == nullptr || (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME)) return std::nullopt;
  std::tm tm{};
  if (ASN1_TIME_to_tm(reinterpret_cast<const ASN1_TIME*>(value->value.asn1_string), &tm) != 1) return std::nullopt;
  return timegm(&tm);
}

}  // namespace

void FreeEncoded(unsigned char* bytes) { OPENSSL_free(bytes); }

SignedData SignCades(std::string_view content, const Certificate& certificate, Token& token, std::time_t signing_time) {
  SignedData signed_data;
  X509Ptr x = ParseCertificate(certificate.der);
  if (!x) {
    signed_data.status = Status::Failure("certificato illeggibile");
    return signed_data;
  }
  TokenCall call{&token, Status::Ok()};
  PkeyPtr key = TokenKey(x.get(), call);
  if (!key) {
    signed_data.status = Status::Failure("il certificato non ha una chiave RSA");
    return signed_data;
  }
  // Signed as a detached signature, which digests the content as it streams past without keeping it;
  // the content is then set inside, in place: a notice of tens of megabytes is neither copied into
  // the structure nor encoded through growing buffers.
  constexpr unsigned kFlags = CMS_BINARY | CMS_NOSMIMECAP | CMS_DETACHED;
  CmsPtr cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, kFlags | CMS_PARTIAL));
  CMS_SignerInfo* si = cms ? CMS_add1_signer(cms.get(), x.get(), key.get(), EVP_sha256(), kFlags | CMS_CADES | CMS_PARTIAL)
                           : nullptr;
  AsnTimePtr when(ASN1_TIME_set(nullptr, signing_time));
  BioPtr in(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
  const bool signed_ok = si != nullptr && when && in &&
                         CMS_signed_add1_attr_by_NID(si, NID_pkcs9_signingTime, when->type, when.get(), -1) == 1 &&
                         CMS_final(cms.get(), in.get(), nullptr, kFlags) == 1 && CMS_set_detached(cms.get(), 0) == 1;
  ASN1_OCTET_STRING** inside = signed_ok ? CMS_get0_content(cms.get()) : nullptr;
  int size = -1;
  unsigned char* encoded = nullptr;
  if (inside != nullptr && *inside != nullptr) {
    (*inside)->flags &= ~ASN1_STRING_FLAG_CONT;
    ASN1_STRING_set0(*inside, const_cast<char*>(content.data()), static_cast<int>(content.size()));
    size = i2d_CMS_ContentInfo(cms.get(), &encoded);
    // The content stays the caller's: taken back without being freed (ASN1_STRING_set0 would free it).
    (*inside)->data = nullptr;
    (*inside)->length = 0;
  }
  if (size <= 0) {
    const std::string why = OpenSslError();
    signed_data.status = call.status ? Status::Failure("la firma non è stata composta: " + why) : call.status;
    return signed_data;
  }
  signed_data.bytes = {encoded, FreeEncoded};
  signed_data.size = static_cast<std::size_t>(size);
  return signed_data;
}

Verification VerifyCades(std::string_view der) {
  Verification v;
  BioPtr in(BIO_new_mem_buf(der.data(), static_cast<int>(der.size())));
  CmsPtr cms(in ? d2i_CMS_bio(in.get(), nullptr) : nullptr);
  if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed) {
    ERR_clear_error();
    v.status = Status::Failure("non è un documento firmato (CMS/PKCS#7 in formato DER)");
    return v;
  }
  STACK_OF(CMS_SignerInfo)* infos = CMS_get0_SignerInfos(cms.get());
  if (infos == nullptr || sk_CMS_SignerInfo_num(infos) < 1) {
    v.status = Status::Failure("il documento non ha alcuna firma");
    return v;
  }
  const ASN1_OCTET_STRING* const* content = CMS_get0_content(cms.get());
  if (content == nullptr || *content == nullptr) {
    v.status = Status::Failure("il documento firmato non contiene il file (firma staccata)");
    return v;
  }
  CMS_SignerInfo* si = sk_CMS_SignerInfo_value(infos, 0);
  // The signer's certificate, from those the file carries.
  STACK_OF(X509)* carried = CMS_get1_certs(cms.get());
  for (int i = 0; carried != nullptr && i < sk_X509_num(carried); ++i) {
    X509* candidate = sk_X509_value(carried, i);
    if (CMS_SignerInfo_cert_cmp(si, candidate) != 0) continue;
    unsigned char* bytes = nullptr;
    const int length = i2d_X509(candidate, &bytes);
    if (length > 0) v.signer.der.assign(reinterpret_cast<char*>(bytes), static_cast<std::size_t>(length));
    OPENSSL_free(bytes);
    DescribeCertificate(v.signer);
  }
  sk_X509_pop_free(carried, X509_free);
  v.signing_time = SigningTime(si);
  v.signing_certificate_v2 = CMS_signed_get_attr_by_NID(si, NID_id_smime_aa_signingCertificateV2, -1) >= 0;
  X509_ALGOR* digest_algorithm = nullptr;
  CMS_SignerInfo_get0_algs(si, nullptr, nullptr, &digest_algorithm, nullptr);
  if (digest_algorithm != nullptr) {
    const ASN1_OBJECT* oid = nullptr;
    X509_ALGOR_get0(&oid, nullptr, nullptr, digest_algorithm);
    v.digest = OBJ_nid2sn(OBJ_obj2nid(oid));
  }
  v.content.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(*content)),
                   static_cast<std::size_t>(ASN1_STRING_length(*content)));
  // The signature over the signed attributes and the content's digest; the chain is not judged here.
  BioPtr out(BIO_new(BIO_s_null()));
  v.intact = CMS_verify(cms.get(), nullptr, nullptr, nullptr, out.get(), CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) == 1;
  if (!v.intact) v.problem = OpenSslError();
  v.status = Status::Ok();
  return v;
}

}  // namespace nerovale::signature
