#include "validation/sender_check.h"

#include <gtest/gtest.h>

namespace nerovale::validation {
namespace {

TEST(SenderCheck, ACodeOfTheTableAndBothNames) {
  EXPECT_TRUE(SenderFaults("H501", "ROMA", "BIANCHI", "LUCIA").empty());
  EXPECT_EQ(SenderFaults("", "", "BIANCHI", "LUCIA"), std::vector<std::string>{"- Comune non configurato"});
  EXPECT_EQ(SenderFaults("Z999", "", "", "LUCIA"),
            (std::vector<std::string>{"- Comune con codice \"Z999\" non presente nella tabella dei comuni",
                                      "- Cognome del Referente non inserito"}));
  EXPECT_EQ(SenderFaults("H501", "ROMA", "BIANCHI", ""),
            std::vector<std::string>{"- Nome del Referente non inserito"});
  EXPECT_TRUE(SenderFaults("H501", "ROMA", std::string(72, 'A'), "LUCIA").empty());
  EXPECT_EQ(SenderFaults("H501", "ROMA", std::string(73, 'A'), "LUCIA"),
            std::vector<std::string>{"- Cognome del Referente più lungo di 72 caratteri"});
  EXPECT_EQ(SenderFaultText({"- Comune non configurato"}, "Rimedio."),
            "I dati del Comune e del Referente non sono completi:\r\n- Comune non configurato\r\nRimedio.");
}

}  // namespace
}  // namespace nerovale::validation
