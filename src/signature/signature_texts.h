#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "signature/token.h"

// What the window and nerovale-batch say about signing and checking a signature, in Italian.
namespace nerovale::signature {

inline constexpr std::string_view kFirmaDigitale = "Firma digitale";
inline constexpr std::string_view kVerificaFirma = "Verifica firma";

// A moment as dd/mm/yyyy hh:mm:ss, in local time.
std::string LocalTimeText(std::time_t t);
// A day as dd/mm/yyyy, in local time.
std::string LocalDayText(std::time_t t);

// The token and its module.
std::string ModuleMissingText(std::string_view module);
std::string NotAModuleText(std::string_view module, std::string_view detail);
std::string ModuleErrorText(std::string_view module, unsigned long code);
std::string NoTokenText(std::string_view module);
std::string NoCertificateText(std::string_view module);
std::string CertificateNotFoundText(std::string_view label);
// A wrong PIN, with what the token says of the tries left (final_try, count_low), or a locked one.
std::string WrongPinText(bool final_try, bool count_low);
std::string PinLockedText();
std::string NoKeyText(std::string_view label);
std::string NotRsaText(std::string_view holder);
std::string TokenErrorText(std::string_view what, unsigned long code);

// The certificate and the day of signing.
std::string ExpiredText(std::string_view holder, std::time_t not_after);
std::string NotYetValidText(std::string_view holder, std::time_t not_before);
// A certificate without the non-repudiation use: a warning, and the window's question.
std::string NoNonRepudiationText(std::string_view holder);
std::string NoNonRepudiationQuestion(std::string_view holder);

// The notice and the signed file.
std::string ChangedSinceValidationText(std::string_view file);
std::string NoValidatedNoticeText();
std::string SignedText(std::string_view p7m, std::string_view holder);
std::string NotSignedText(std::string_view reason);

// A certificate as the window lists it: "holder — issuer, valido fino al dd/mm/yyyy (token)".
std::string CertificateChoiceText(const Certificate& certificate);
// Whether a failure is a wrong PIN, which the operator may type again.
bool IsWrongPin(std::string_view reason);

}  // namespace nerovale::signature
