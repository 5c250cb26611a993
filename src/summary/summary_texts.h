#pragma once

#include <string>
#include <string_view>

// What the window and nerovale-batch say about the summary of a notice.
namespace nerovale::summary {

// The button beside "OK" in the message of a validated notice.
inline constexpr std::string_view kStampaRiepilogo = "Stampa riepilogo";

// The notice is written and valid; only its summary is missing.
inline std::string SummaryNotWrittenText(const std::string& reason, const std::string& notice_file) {
  return "Il riepilogo non è stato scritto:\r\n" + reason + "\r\nIl file XML resta scritto e validato:\r\n" +
         notice_file;
}

// Where the window saved the summary, and whether it went to the printer.
inline std::string SummarySavedText(const std::string& pdf, bool printed) {
  return "Il riepilogo della comunicazione è stato salvato nel file\r\n'" + pdf + "'" +
         (printed ? "\r\ne inviato alla stampante." : "");
}

}  // namespace nerovale::summary
