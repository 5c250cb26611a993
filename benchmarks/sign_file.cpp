// Signs one file on a token as the notice session does (the digest checked, the PIN, CAdES-BES, the
// .p7m written atomically beside it), for the figures of signing_figures.sh.
//
//   sign_file MODULE LABEL PIN FILE SHA256
#include <cstdio>
#include <ctime>

#include "signature/signing.h"

int main(int argc, char* argv[]) {
  if (argc != 6) {
    std::fprintf(stderr, "uso: sign_file MODULO ETICHETTA PIN FILE SHA256\n");
    return 2;
  }
  nerovale::Status opened;
  const auto token = nerovale::signature::Token::Open(argv[1], opened);
  if (!token) {
    std::fprintf(stderr, "%s\n", opened.message().c_str());
    return 2;
  }
  const auto* certificate = nerovale::signature::CertificateByLabel(token->certificates(), argv[2]);
  if (certificate == nullptr) return 2;
  const auto made = nerovale::signature::SignFile(argv[4], argv[5], *token, *certificate, argv[3], std::time(nullptr));
  if (!made.status) std::fprintf(stderr, "%s\n", made.status.message().c_str());
  return made.status ? 0 : 1;
}
