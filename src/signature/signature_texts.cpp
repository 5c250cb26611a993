#include "signature/signature_texts.h"

#include <cstdio>

namespace nerovale::signature {
namespace {

std::string Formatted(std::time_t t, const char* format) {
  std::tm local{};
  localtime_r(&t, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, format, &local);
  return text;
}

std::string Hex(unsigned long code) {
  char text[24] = {};
  std::snprintf(text, sizeof text, "0x%08lX", code);
  return text;
}

std::string S(std::string_view text) { return std::string(text); }

}  // namespace

std::string LocalTimeText(std::time_t t) { return Formatted(t, "%d/%m/%Y %H:%M:%S"); }
std::string LocalDayText(std::time_t t) { return Formatted(t, "%d/%m/%Y"); }

std::string ModuleMissingText(std::string_view module) {
  return "Il modulo PKCS#11 " + S(module) +
         " non esiste: indicare in firma.ini (riga modulo=) il modulo del lettore di smart card.";
}

std::string NotAModuleText(std::string_view module, std::string_view detail) {
  return "Il file " + S(module) + " non è un modulo PKCS#11 (" + S(detail) + ").";
}

std::string ModuleErrorText(std::string_view module, unsigned long code) {
  return "Il modulo PKCS#11 " + S(module) + " non risponde (errore " + Hex(code) + ").";
}

std::string NoTokenText(std::string_view module) {
  return "Nessuna smart card o token di firma inserito (modulo " + S(module) + ").";
}

std::string NoCertificateText(std::string_view module) {
  return "Sulla smart card non c'è alcun certificato di firma (modulo " + S(module) + ").";
}

std::string CertificateNotFoundText(std::string_view label) {
  return "Sulla smart card non c'è il certificato " + S(label) + ".";
}

std::string WrongPinText(bool final_try, bool count_low) {
  std::string text = "PIN errato.";
  if (final_try) {
    text += " Resta un solo tentativo prima del blocco del PIN.";
  } else if (count_low) {
    text += " Restano pochi tentativi prima del blocco del PIN.";
  }
  return text;
}

std::string PinLockedText() {
  return "Il PIN è bloccato: va sbloccato con il PUK della smart card prima di firmare.";
}

std::string NoKeyText(std::string_view label) {
  return "Sulla smart card non c'è la chiave di firma del certificato " + S(label) + ".";
}

std::string NotRsaText(std::string_view holder) {
  return "Il certificato di " + S(holder) + " ha una chiave che il programma non sa usare per firmare (solo RSA).";
}

std::string TokenErrorText(std::string_view what, unsigned long code) {
  return "La smart card non ha potuto " + S(what) + " (errore " + Hex(code) + ").";
}

std::string ExpiredText(std::string_view holder, std::time_t not_after) {
  return "Il certificato di " + S(holder) + " è scaduto il " + LocalDayText(not_after) + ": non si può firmare.";
}

std::string NotYetValidText(std::string_view holder, std::time_t not_before) {
  return "Il certificato di " + S(holder) + " è valido solo dal " + LocalDayText(not_before) +
         ": non si può ancora firmare.";
}

std::string NoNonRepudiationText(std::string_view holder) {
  return "Il certificato di " + S(holder) +
         " non ha l'uso \"non ripudio\": non è un certificato di firma qualificata.";
}

std::string NoNonRepudiationQuestion(std::string_view holder) {
  return NoNonRepudiationText(holder) + " Firmare comunque?";
}

std::string ChangedSinceValidationText(std::string_view file) {
  return "Il file " + S(file) + " è cambiato dopo la validazione: non viene firmato.";
}

std::string NoValidatedNoticeText() { return "Nessun file XML validato da firmare."; }

std::string SignedText(std::string_view p7m, std::string_view holder) {
  return "File firmato da " + S(holder) + " e salvato: " + S(p7m);
}

std::string NotSignedText(std::string_view reason) {
  return "FIRMA NON ESEGUITA: " + S(reason) + "\nIl file XML validato resta com'era.";
}

std::string CertificateChoiceText(const Certificate& certificate) {
  return certificate.holder + " \u2014 " + certificate.issuer + ", valido fino al " + LocalDayText(certificate.not_after) +
         " (" + certificate.token_label + ")";
}

bool IsWrongPin(std::string_view reason) { return reason.starts_with(WrongPinText(false, false)); }

}  // namespace nerovale::signature
