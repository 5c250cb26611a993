#pragma once

// Two subjects that pass every check once imported: one born in Rome with a consistent codice
// fiscale, one born in Paris with the year alone.
namespace nerovale::testing {

inline constexpr const char* kGoodCsv =
    "rossi,mario,m,5/3/1950,roma,,,RSSMRA50C05H501F,,10/1/2024,,milano,,12,milano,2024,7\r\n"
    "dupont;jean;m;1950;;parigi;francia;;;12/05/2020;;roma;;13;roma;2020;8\r\n";

}  // namespace nerovale::testing
