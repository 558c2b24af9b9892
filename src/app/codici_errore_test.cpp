#include "app/codici_errore.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CodiciErroreTest, TableHoldsEveryCodeOnceAndNoOther) {
  const std::vector<int32_t> attesi = {1,  2,  3,  4,  5,  6,  7,  8,   9,   10,  11,   12,  13, 15,
                                       16, 17, 18, 19, 20, 21, 22, 24, 25, 101, 102, 103, 1250, 1251};
  std::vector<int32_t> presenti;
  for (const CodiceErrore& c : tabella_codici()) {
    presenti.push_back(c.codice);
    EXPECT_NE(std::string(c.significato), "") << c.codice;
    EXPECT_EQ(cerca_codice(c.codice), &c);
  }
  EXPECT_EQ(presenti, attesi);
  for (int32_t assente : {0, 14, 23, 26, 100, 104, 1249, 1252, -16})
    EXPECT_EQ(cerca_codice(assente), nullptr) << assente;
}

TEST(CodiciErroreTest, ExactlyThePositionedCodesCarryAPosition) {
  const std::vector<int32_t> con_posizione = {6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22};
  std::vector<int32_t> trovati;
  for (const CodiceErrore& c : tabella_codici())
    if (c.con_posizione) trovati.push_back(c.codice);
  EXPECT_EQ(trovati, con_posizione);
}

TEST(CodiciErroreTest, ReportLines) {
  struct Caso {
    int32_t codice;
    int32_t posizione;
    const char* dettaglio;
    const char* riga;
  };
  const Caso casi[] = {
      {16, 5950, "",
       "Valdarco_Lornese_4158: error 16 at 5950 m: a signal stands on an occupied cell"},
      {12, -50, "",
       "Valdarco_Lornese_4158: error 12 at -50 m: no free cell in a window before a slowdown start"},
      // Codes without a position leave a stale posizione_errore out.
      {101, 5950, "",
       "Valdarco_Lornese_4158: error 101: the line description file does not exist"},
      {25, 0, "line 12: \"x\" is not a number",
       "Valdarco_Lornese_4158: error 25: a description file cannot be read, or a field is not a "
       "number or does not fit its width (line 12: \"x\" is not a number)"},
      {25, 0, "two\r\nlines", "Valdarco_Lornese_4158: error 25: a description file cannot be read, "
                              "or a field is not a number or does not fit its width (two  lines)"},
      {14, 300, "", "Valdarco_Lornese_4158: error 14: not a code of this builder"},
  };
  for (const Caso& c : casi)
    EXPECT_EQ(riga_codice("Valdarco_Lornese_4158", c.codice, c.posizione, c.dettaglio), c.riga);
}

}  // namespace
