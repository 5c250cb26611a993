#pragma once

#include <string>

#include "core/subject_table.h"

namespace nerovale::testing {

// A subject that passes every check: born in Rome, died in Milan.
inline SubjectRow ValidItalianRow() {
  SubjectRow r;
  r[kCognome] = "ROSSI", r[kNome] = "MARIO", r[kSesso] = "M", r[kDataNascita] = "5/3/1950";
  r[kComuneNascita] = "ROMA", r[kCodComuneNascita] = "H501", r[kNazioneNascita] = "ITALIA", r[kCodNazioneNascita] = "Z000";
  r[kCodiceFiscale] = "RSSMRA50C05H501F";
  r[kDataDecesso] = "10/01/2024", r[kNazioneDecesso] = "ITALIA", r[kCodNazioneDecesso] = "Z000";
  r[kComuneDecesso] = "MILANO", r[kCodComuneDecesso] = "F205";
  r[kAttoMorte] = "12", r[kComuneAtto] = "MILANO", r[kCodComuneAtto] = "F205";
  r[kAnnoProtocollo] = "2024", r[kNumeroProtocollo] = "7";
  return r;
}

// Born in Paris, the year alone known.
inline SubjectRow ValidForeignRow() {
  SubjectRow r = ValidItalianRow();
  r[kDataNascita] = "1950", r[kComuneNascita] = "", r[kCodComuneNascita] = "", r[kComuneEsteroNascita] = "PARIGI";
  r[kNazioneNascita] = "FRANCIA", r[kCodNazioneNascita] = "Z110", r[kCodiceFiscale] = "";
  return r;
}

}  // namespace nerovale::testing
