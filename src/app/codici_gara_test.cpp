#include "app/codici_gara.h"

#include <gtest/gtest.h>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace {

TEST(CodiciGaraTest, KnownNamesGiveTheirCodes) {
  struct Caso {
    const char* treno;
    const char* linea;
    const char* inizio_chiave;  // the 25 characters that count
    int16_t semplice;
    int32_t pesato;
  };
  const Caso casi[] = {
      {"4158", "Valdarco_Lornese", "4158valdarco_lorneseaabbc", 2398, 33076},
      {"", "", "aabbccddeeffgghhiillmmnno", 2583, 34355},
  };
  for (const Caso& c : casi) {
    SCOPED_TRACE(std::string(c.treno) + "/" + c.linea);
    const std::string chiave = chiave_codici(c.treno, c.linea);
    EXPECT_EQ(chiave.substr(0, 25), c.inizio_chiave);
    EXPECT_EQ(codice_semplice(chiave), c.semplice);
    EXPECT_EQ(codice_pesato(chiave), c.pesato);
  }
}

TEST(CodiciGaraTest, CaseAndCharactersPastTheTwentyFifthDoNotCount) {
  const std::string base = chiave_codici("4158", "Valdarco_Lornese");
  for (const std::string& v : {chiave_codici("4158", "VALDARCO_LORNESE"),
                               chiave_codici("4158", "valdarco_lornese"),
                               chiave_codici("4158", "vALDARCO_lORNESE")}) {
    EXPECT_EQ(codice_semplice(v), codice_semplice(base)) << v;
    EXPECT_EQ(codice_pesato(v), codice_pesato(base)) << v;
  }
  // A name long enough to push the fixed tail out: "4158" and 21 characters
  // fill the 25 positions, so what follows them has no effect...
  const std::string lunga = chiave_codici("4158", "Valdarco_Lorneseabcdexxxxxx");
  const std::string altra = chiave_codici("4158", "Valdarco_LorneseabcdeYY");
  EXPECT_NE(lunga, altra);
  EXPECT_EQ(codice_semplice(lunga), codice_semplice(altra));
  EXPECT_EQ(codice_pesato(lunga), codice_pesato(altra));
  // ...while the 25th character itself does count.
  const std::string venticinquesimo = chiave_codici("4158", "Valdarco_Lorneseabcdf");
  EXPECT_EQ(codice_semplice(venticinquesimo), codice_semplice(lunga) + 1);
  EXPECT_EQ(codice_pesato(venticinquesimo), codice_pesato(lunga) + 25);
}

TEST(CodiciGaraTest, AnsiCodesCountAsUnsignedBytes) {
  // "É" (0xC9) is lowered to "é" (0xE9 = 233); "ÿ" (0xFF) is 255, not -1.
  const std::string chiave = chiave_codici("\xC9", "\xFF");
  EXPECT_EQ(chiave.substr(0, 2), "\xE9\xFF");
  const int32_t coda_semplice = 2583 - 'n' - 'o';  // the tail's first 23 characters
  EXPECT_EQ(codice_semplice(chiave), 233 + 255 + coda_semplice);
  EXPECT_EQ(codice_semplice(chiave_codici("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                          "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF",
                                          "")),
            25 * 255);
}

struct ControllaCodiciTest : testing::Test {
  TempFolder cartella;
  TestPlatform platform{cartella.path()};
  Form1 form{platform};

  void SetUp() override {
    form.voci[voce_fissa::linea].nome = "Valdarco_Lornese";
    form.voci[voce_fissa::treno].nome = "4158";
    form.percorso.assign(141, cella{});
  }
};

TEST_F(ControllaCodiciTest, StoresMarkersAndCodesAndLeavesTheKeyInRiga) {
  form.controlla_codici();
  const voce& linea = form.voci[voce_fissa::linea];
  EXPECT_EQ(linea.campo7, 610);
  EXPECT_EQ(linea.orario, 33076);
  EXPECT_EQ(form.percorso[1].dato1, 5121);
  EXPECT_EQ(form.percorso[1].dato2, 2398);
  EXPECT_EQ(form.riga, "4158valdarco_lorneseaabbccddeeffgghhiillmmnnoo");
  EXPECT_TRUE(platform.messages.empty());
  // Nothing else of cell 1 or of the grid is touched.
  cella attesa{};
  attesa.dato1 = 5121;
  attesa.dato2 = 2398;
  EXPECT_EQ(form.percorso[1], attesa);
  EXPECT_EQ(form.percorso[0], cella{});
}

TEST_F(ControllaCodiciTest, ProceduresUseTheRecordNamesNotTheFormNames) {
  form.nome_linea = "Other";
  form.numero_treno = std::string("1");
  form.voci[voce_fissa::linea].nome = "";
  form.voci[voce_fissa::treno].nome = "";
  EXPECT_EQ(form.codice_gara_og(), 2583);
  EXPECT_EQ(form.codice_gara_st(), 34355);
  EXPECT_EQ(form.riga, "aabbccddeeffgghhiillmmnnoo");
}

TEST_F(ControllaCodiciTest, FilledReservedSlotEndsTheRunWithItsCode) {
  struct Caso {
    const char* slot;
    void (*riempi)(Form1&);
    const char* messaggio;
  };
  const Caso casi[] = {
      {"record 85 campo7", [](Form1& f) { f.voci[voce_fissa::linea].campo7 = 1; }, " Errore n. 1250"},
      {"cell 1 dato1", [](Form1& f) { f.percorso[1].dato1 = 180; }, " Errore n. 1250"},
      {"record 85 orario", [](Form1& f) { f.voci[voce_fissa::linea].orario = -5; }, " Errore n. 1251"},
      {"cell 1 dato2", [](Form1& f) { f.percorso[1].dato2 = 7; }, " Errore n. 1251"},
  };
  for (const Caso& c : casi) {
    SCOPED_TRACE(c.slot);
    TestPlatform p(cartella.path());
    Form1 f(p);
    f.voci[voce_fissa::linea].nome = "Valdarco_Lornese";
    f.voci[voce_fissa::treno].nome = "4158";
    f.percorso.assign(141, cella{});
    c.riempi(f);
    try {
      f.controlla_codici();
      ADD_FAILURE() << "the guard let the build go on";
    } catch (const ProgramEnded& fine) {
      EXPECT_EQ(fine.status, 3);
    }
    EXPECT_EQ(p.messages, std::vector<std::string>{c.messaggio});
  }
}

TEST_F(ControllaCodiciTest, SecondGuardRunsAfterTheMarkersAreStored) {
  form.percorso[1].dato2 = 7;
  EXPECT_THROW(form.controlla_codici(), ProgramEnded);
  EXPECT_EQ(form.voci[voce_fissa::linea].campo7, 610);
  EXPECT_EQ(form.percorso[1].dato1, 5121);
  EXPECT_EQ(form.voci[voce_fissa::linea].orario, 0);
}

}  // namespace
