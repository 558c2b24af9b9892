#include "app/check_codes.h"

#include <gtest/gtest.h>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace {

TEST(CheckCodesTest, KnownNamesGiveTheirCodes) {
  struct Case {
    const char* train;
    const char* line;
    const char* key_start;  // the 25 characters that count
    int16_t plain;
    int32_t weighted;
  };
  const Case cases[] = {
      {"4158", "Valdarco_Lornese", "4158valdarco_lorneseaabbc", 2398, 33076},
      {"", "", "aabbccddeeffgghhiillmmnno", 2583, 34355},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.train) + "/" + c.line);
    const std::string key = check_code_key(c.train, c.line);
    EXPECT_EQ(key.substr(0, 25), c.key_start);
    EXPECT_EQ(plain_code(key), c.plain);
    EXPECT_EQ(weighted_code(key), c.weighted);
  }
}

TEST(CheckCodesTest, CaseAndCharactersPastTheTwentyFifthDoNotCount) {
  const std::string base = check_code_key("4158", "Valdarco_Lornese");
  for (const std::string& v : {check_code_key("4158", "VALDARCO_LORNESE"),
                               check_code_key("4158", "valdarco_lornese"),
                               check_code_key("4158", "vALDARCO_lORNESE")}) {
    EXPECT_EQ(plain_code(v), plain_code(base)) << v;
    EXPECT_EQ(weighted_code(v), weighted_code(base)) << v;
  }
  // A name long enough to push the fixed tail out: "4158" and 21 characters
  // fill the 25 positions, so what follows them has no effect...
  const std::string long_line = check_code_key("4158", "Valdarco_Lorneseabcdexxxxxx");
  const std::string other = check_code_key("4158", "Valdarco_LorneseabcdeYY");
  EXPECT_NE(long_line, other);
  EXPECT_EQ(plain_code(long_line), plain_code(other));
  EXPECT_EQ(weighted_code(long_line), weighted_code(other));
  // ...while the 25th character itself does count.
  const std::string twenty_fifth = check_code_key("4158", "Valdarco_Lorneseabcdf");
  EXPECT_EQ(plain_code(twenty_fifth), plain_code(long_line) + 1);
  EXPECT_EQ(weighted_code(twenty_fifth), weighted_code(long_line) + 25);
}

TEST(CheckCodesTest, AnsiCodesCountAsUnsignedBytes) {
  // "É" (0xC9) is lowered to "é" (0xE9 = 233); "ÿ" (0xFF) is 255, not -1.
  const std::string key = check_code_key("\xC9", "\xFF");
  EXPECT_EQ(key.substr(0, 2), "\xE9\xFF");
  const int32_t tail_plain_sum = 2583 - 'n' - 'o';  // the tail's first 23 characters
  EXPECT_EQ(plain_code(key), 233 + 255 + tail_plain_sum);
  EXPECT_EQ(plain_code(check_code_key("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                      "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF",
                                      "")),
            25 * 255);
}

struct GuardAndStoreCodesTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  void SetUp() override {
    form.voci[fixed_record::line].nome = "Valdarco_Lornese";
    form.voci[fixed_record::train].nome = "4158";
    form.percorso.assign(141, cella{});
  }
};

TEST_F(GuardAndStoreCodesTest, StoresMarkersAndCodesAndLeavesTheKeyInRiga) {
  form.guard_and_store_codes();
  const voce& line = form.voci[fixed_record::line];
  EXPECT_EQ(line.campo7, 610);
  EXPECT_EQ(line.orario, 33076);
  EXPECT_EQ(form.percorso[1].dato1, 5121);
  EXPECT_EQ(form.percorso[1].dato2, 2398);
  EXPECT_EQ(form.riga, "4158valdarco_lorneseaabbccddeeffgghhiillmmnnoo");
  EXPECT_TRUE(platform.messages.empty());
  // Nothing else of cell 1 or of the grid is touched.
  cella expected_text{};
  expected_text.dato1 = 5121;
  expected_text.dato2 = 2398;
  EXPECT_EQ(form.percorso[1], expected_text);
  EXPECT_EQ(form.percorso[0], cella{});
}

TEST_F(GuardAndStoreCodesTest, ProceduresUseTheRecordNamesNotTheFormNames) {
  form.nome_linea = "Other";
  form.numero_treno = std::string("1");
  form.voci[fixed_record::line].nome = "";
  form.voci[fixed_record::train].nome = "";
  EXPECT_EQ(form.codice_gara_og(), 2583);
  EXPECT_EQ(form.codice_gara_st(), 34355);
  EXPECT_EQ(form.riga, "aabbccddeeffgghhiillmmnnoo");
}

TEST_F(GuardAndStoreCodesTest, FilledReservedSlotEndsTheRunWithItsCode) {
  struct Case {
    const char* slot;
    void (*fill)(Form1&);
    const char* message;
  };
  const Case cases[] = {
      {"record 85 campo7", [](Form1& f) { f.voci[fixed_record::line].campo7 = 1; }, " Errore n. 1250"},
      {"cell 1 dato1", [](Form1& f) { f.percorso[1].dato1 = 180; }, " Errore n. 1250"},
      {"record 85 orario", [](Form1& f) { f.voci[fixed_record::line].orario = -5; }, " Errore n. 1251"},
      {"cell 1 dato2", [](Form1& f) { f.percorso[1].dato2 = 7; }, " Errore n. 1251"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slot);
    TestPlatform p(folder.path());
    Form1 f(p);
    f.voci[fixed_record::line].nome = "Valdarco_Lornese";
    f.voci[fixed_record::train].nome = "4158";
    f.percorso.assign(141, cella{});
    c.fill(f);
    try {
      f.guard_and_store_codes();
      ADD_FAILURE() << "the guard let the build go on";
    } catch (const ProgramEnded& fine) {
      EXPECT_EQ(fine.status, 3);
    }
    EXPECT_EQ(p.messages, std::vector<std::string>{c.message});
  }
}

TEST_F(GuardAndStoreCodesTest, SecondGuardRunsAfterTheMarkersAreStored) {
  form.percorso[1].dato2 = 7;
  EXPECT_THROW(form.guard_and_store_codes(), ProgramEnded);
  EXPECT_EQ(form.voci[fixed_record::line].campo7, 610);
  EXPECT_EQ(form.percorso[1].dato1, 5121);
  EXPECT_EQ(form.voci[fixed_record::line].orario, 0);
}

}  // namespace
