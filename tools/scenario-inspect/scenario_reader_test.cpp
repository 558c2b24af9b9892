#include "output/scenario_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "scenario.h"
#include "output/scenario_files.h"
#include "output/layouts.h"
#include "sample_scenario.h"

namespace {

namespace tb = sample_scenario;

/// The sample scenario as file bytes, which each case may spoil.
struct FileCampione {
  tb::Campione c = tb::campione();
  std::string griglia = bytes_percorso(c.percorso);
  std::string servizio = bytes_voci(c.voci);
  std::string linea = std::string(bytes_tracciato(c.tracciato).vista());

  Read<Scenario> leggi(bool con_linea = true) const {
    ScenarioBytes b{griglia, "V_4158.dat", servizio, "V_4158.sim", std::nullopt, "V_linea.dat"};
    if (con_linea) b.linea = linea;
    return leggi_scenario(b);
  }
};

TEST(ScenarioReaderTest, ReadsBackEveryRecordCellAndPlanPoint) {
  const FileCampione f;
  const auto r = f.leggi();
  ASSERT_TRUE(r.ok()) << r.error().message();
  const Scenario& s = r.value();
  EXPECT_EQ(s.voci, f.c.voci);
  EXPECT_EQ(s.percorso, f.c.percorso);
  EXPECT_EQ(s.lunghezza, 3000);
  ASSERT_TRUE(s.ha_tracciato);
  EXPECT_EQ(s.tracciato.righe(), 10001);
  EXPECT_EQ(s.tracciato.calcolati, 9999);
  EXPECT_EQ(s.tracciato.punti, f.c.tracciato.punti);
  EXPECT_TRUE(s.controlli.validi());
  EXPECT_EQ(s.controlli.codice_semplice.atteso, 2398);
  EXPECT_EQ(s.controlli.codice_pesato.atteso, 33076);
}

TEST(ScenarioReaderTest, LineDataFileIsOptional) {
  const auto r = FileCampione{}.leggi(false);
  ASSERT_TRUE(r.ok()) << r.error().message();
  EXPECT_FALSE(r.value().ha_tracciato);
  EXPECT_FALSE(r.value().tracciato.esiste());
}

struct Guasto {
  const char* nome;
  std::function<void(FileCampione&)> guasta;
  const char* messaggio;
};

// Offsets: the sample's records 0 to 86 are 34 bytes plus their names; its
// grid has 201 cells (3015 bytes); its plan 10001 rows, each column
// 2 x 4 + 9997 x 10 + 2 x 2 bytes = 99982 bytes.
const Guasto kGuasti[] = {
    {"ServiceTruncatedInFirstRecord", [](FileCampione& f) { f.servizio.resize(10); },
     "V_4158.sim: offset 0: expected 16 bytes of the head of record 0, found only 10 bytes before "
     "the end of the file"},
    {"ServiceTruncatedInsideAName",
     [](FileCampione& f) { f.servizio.resize(inizio_voce(f.c.voci, 85) + 20); },
     "V_4158.sim: offset 2976: expected 34 bytes of the 16-byte name and the tail of record 85, "
     "found only 4 bytes before the end of the file"},
    {"ServiceMissingItsLastByte", [](FileCampione& f) { f.servizio.pop_back(); },
     "V_4158.sim: offset 3026: expected 22 bytes of the 4-byte name and the tail of record 86, found "
     "only 21 bytes before the end of the file"},
    {"ServiceWithBytesAfterRecord86", [](FileCampione& f) { f.servizio += "abc"; },
     "V_4158.sim: offset 3048: expected the end of the file after the last record (86), found 3 more "
     "bytes"},
    {"ServiceWithANameLengthBeyondTheFile",
     [](FileCampione& f) { f.servizio[inizio_voce(f.c.voci, 86) + 14] = '\xFF'; },
     "V_4158.sim: offset 3026: expected 273 bytes of the 255-byte name and the tail of record 86, "
     "found only 22 bytes before the end of the file"},
    {"ServiceWithANegativeLineLength",
     [](FileCampione& f) {
       f.c.voci[84].fine = -1;
       f.servizio = bytes_voci(f.c.voci);
     },
     "V_4158.sim: offset 2931: expected a line length of 0 to 1000000 m in record 84, found -1"},
    {"ServiceWithATooLongLine",
     [](FileCampione& f) {
       f.c.voci[84].fine = 1000001;
       f.servizio = bytes_voci(f.c.voci);
     },
     "V_4158.sim: offset 2931: expected a line length of 0 to 1000000 m in record 84, found 1000001"},
    {"GridTruncated", [](FileCampione& f) { f.griglia.resize(f.griglia.size() - 5); },
     "V_4158.dat: offset 3000: expected 15 bytes of cell 200 of 201 for the line length of the "
     "service file, found only 10 bytes before the end of the file"},
    {"GridOneCellTooLong", [](FileCampione& f) { f.griglia += std::string(15, '\0'); },
     "V_4158.dat: offset 3015: expected the end of the file after cell 200 (201 cells for the line "
     "length of the service file), found 15 more bytes"},
    {"GridEmpty", [](FileCampione& f) { f.griglia.clear(); },
     "V_4158.dat: offset 0: expected 15 bytes of cell 0 of 201 for the line length of the service "
     "file, found the end of the file"},
    {"PlanWithABadTag", [](FileCampione& f) { f.linea[2 * 4 + 10 * 3] = 7; },
     "V_linea.dat: offset 38: expected tag 0, 2 or 5 for metre 5 of column 0 (x), found tag 7"},
    {"PlanTruncatedInsideADouble", [](FileCampione& f) { f.linea.resize(99982 + 8 + 5); },
     "V_linea.dat: offset 99992: expected 8 bytes of the double of metre 2 of column 1 (y), found "
     "only 3 bytes before the end of the file"},
    {"PlanTruncatedAtATag", [](FileCampione& f) { f.linea.resize(99982 + 1); },
     "V_linea.dat: offset 99982: expected 2 bytes of the tag of metre 0 of column 1 (y), found only "
     "1 byte before the end of the file"},
    {"PlanWithExtraElements", [](FileCampione& f) { f.linea += std::string(2, '\0'); },
     "V_linea.dat: offset 199964: expected the end of the file after metre 10000 of column 1 (10001 "
     "rows for the line length of the service file), found 2 more bytes"},
    {"PlanWithADoubleInRowZero",
     [](FileCampione& f) {
       std::string inizio;
       layout::append_le(inizio, static_cast<uint16_t>(TipoVariante::reale64));
       layout::append_le(inizio, 0.0);
       f.linea = inizio + f.linea.substr(4);
     },
     "V_linea.dat: offset 0: expected tag 0 (nothing) for metre 0 of column 0 (x) (the integers of "
     "metres 0 and 1, then doubles, then nothing), found tag 5"},
    {"PlanWithColumnsThatDisagree",
     [](FileCampione& f) {
       // Column 1 loses the value of metre 9998: a tag 0 where column 0 has a double.
       const size_t at = 99982 + 8 + 9996 * 10;
       f.linea = f.linea.substr(0, at) + std::string(2, '\0') + f.linea.substr(at + 10) + std::string(8, '\0');
     },
     "V_linea.dat: offset 199950: expected tag 5 (double) for metre 9998 of column 1 (y), as in "
     "column 0, found tag 0"},
};

class FileGuastoTest : public testing::TestWithParam<Guasto> {};

TEST_P(FileGuastoTest, GivesTheFileTheOffsetAndWhatWasExpected) {
  FileCampione f;
  GetParam().guasta(f);
  const auto r = f.leggi();
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message(), GetParam().messaggio);
}

INSTANTIATE_TEST_SUITE_P(Corrupt, FileGuastoTest, testing::ValuesIn(kGuasti),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(ScenarioReaderTest, EveryTruncationOfEachFileIsAnErrorNotACrash) {
  const FileCampione f;
  auto leggi = [&](std::string_view griglia, std::string_view servizio, std::string_view linea) {
    return leggi_scenario({griglia, "g", servizio, "s", linea, "l"}).ok();
  };
  ASSERT_TRUE(leggi(f.griglia, f.servizio, f.linea));
  const std::string_view g = f.griglia, s = f.servizio, l = f.linea;
  for (size_t n = 0; n < s.size(); ++n) EXPECT_FALSE(leggi(g, s.substr(0, n), l)) << "service cut at " << n;
  for (size_t n = 0; n < g.size(); ++n) EXPECT_FALSE(leggi(g.substr(0, n), s, l)) << "grid cut at " << n;
  // The plan file is long: every cut in its first and last elements.
  for (size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 9u, 10u, 199954u, 199963u})
    EXPECT_FALSE(leggi(g, s, l.substr(0, n))) << "plan cut at " << n;
}

TEST(ScenarioReaderTest, ReadersStandAloneOnArbitraryBytes) {
  // Without a line length the grid reader takes any whole number of cells
  // from two up.
  EXPECT_EQ(leggi_percorso(std::string(30, '\0'), "g", std::nullopt).value().size(), 2u);
  EXPECT_EQ(leggi_percorso(std::string(15, '\0'), "g", std::nullopt).error().message(),
            "g: offset 0: expected at least 2 cells (30 bytes), found 15 bytes");
  EXPECT_EQ(leggi_percorso(std::string(31, '\0'), "g", std::nullopt).error().message(),
            "g: offset 30: expected the end of the file after cell 1 (15 bytes a cell), found 1 more byte");
  // A plan of zero computed rows: every element empty.
  const auto vuoto = leggi_tracciato(std::string(4 * 2, '\0'), "l", 2);
  ASSERT_TRUE(vuoto.ok());
  EXPECT_EQ(vuoto.value().calcolati, 0);
}

TEST(ScenarioReaderTest, WrongCodesAndMarkersAreReadButNotValid) {
  struct Caso {
    const char* nome;
    std::function<void(tb::Campione&)> cambia;
    bool marcatore, marcatore_voce, semplice, pesato;
  };
  const Caso casi[] = {
      {"plain code", [](tb::Campione& c) { c.percorso[1].dato2 += 1; }, true, true, false, true},
      {"weighted code", [](tb::Campione& c) { c.voci[85].orario = 0; }, true, true, true, false},
      {"cell marker", [](tb::Campione& c) { c.percorso[1].dato1 = 0; }, false, true, true, true},
      {"record marker", [](tb::Campione& c) { c.voci[85].campo7 = 611; }, true, false, true, true},
      // The codes follow the names stored in the records; another train
      // number gives other codes.
      {"train number", [](tb::Campione& c) { c.voci[86].nome = "4159"; }, true, true, false, false},
      // Case does not matter to the codes.
      {"line name case", [](tb::Campione& c) { c.voci[85].nome = "VALDARCO_LORNESE"; }, true, true, true, true},
  };
  for (const Caso& k : casi) {
    FileCampione f;
    k.cambia(f.c);
    f.griglia = bytes_percorso(f.c.percorso);
    f.servizio = bytes_voci(f.c.voci);
    const auto r = f.leggi();
    ASSERT_TRUE(r.ok()) << k.nome;
    const Controlli& c = r.value().controlli;
    EXPECT_EQ(c.marcatore.valido(), k.marcatore) << k.nome;
    EXPECT_EQ(c.marcatore_voce.valido(), k.marcatore_voce) << k.nome;
    EXPECT_EQ(c.codice_semplice.valido(), k.semplice) << k.nome;
    EXPECT_EQ(c.codice_pesato.valido(), k.pesato) << k.nome;
    EXPECT_EQ(c.validi(), k.marcatore && k.marcatore_voce && k.semplice && k.pesato) << k.nome;
  }
}

}  // namespace
