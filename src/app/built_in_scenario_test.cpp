// The whole main program on its built-in scenario: every file it leaves and
// every fact the compiled files must hold.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/form1.h"
#include "testing/run_program.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

const char* const kLine = "Valdarco_Lornese";

// Little-endian readers over a file's bytes.
struct Bytes {
  const std::string& b;
  size_t at = 0;
  uint8_t u8() { return static_cast<uint8_t>(b.at(at++)); }
  uint16_t u16() {
    const uint16_t lo = u8();
    return static_cast<uint16_t>(lo | (u8() << 8));
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  int32_t i32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(u8()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  double f64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(u8()) << (8 * i);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
  }
};

std::vector<cella> decode_grid(const std::string& bytes) {
  std::vector<cella> cells(bytes.size() / 15);
  Bytes r{bytes};
  for (cella& c : cells) {
    c.tipo = r.u8();
    c.dato1 = r.i16();
    c.dato2 = r.i16();
    c.dato3 = r.i16();
    c.dato4 = r.i16();
    c.tempo_segnale = r.u8();
    c.marcatore = r.u8();
    c.montagna = r.u8();
    c.velocita = r.u8();
    c.pendenza = r.u8();
    c.aderenza = r.u8();
  }
  return cells;
}

std::vector<voce> decode_records(const std::string& bytes) {
  std::vector<voce> records(87);
  Bytes r{bytes};
  for (voce& v : records) {
    v.tipo = r.u8();
    v.inizio = r.i32();
    v.fine = r.i32();
    v.posizione = r.i32();
    v.campo4 = r.u8();
    const uint16_t n = r.u16();
    v.nome = bytes.substr(r.at, n);
    r.at += n;
    v.campo7 = r.i16();
    v.campo8 = r.i16();
    v.campo10 = r.i16();
    v.campo11 = r.i16();
    v.campo12 = r.i16();
    v.campo9 = r.u8();
    v.campo13 = r.u8();
    v.prolunga = r.u8();
    v.campo5 = r.u8();
    v.orario = r.i32();
  }
  EXPECT_EQ(r.at, bytes.size());
  return records;
}

// One element of the line data file: its tag and value.
struct Element {
  uint16_t tag;
  double value;
};

std::vector<Element> decode_plan(const std::string& bytes) {
  std::vector<Element> out;
  Bytes r{bytes};
  while (r.at < bytes.size()) {
    const uint16_t tag = r.u16();
    double value = 0;
    if (tag == 2) value = r.i16();
    if (tag == 5) value = r.f64();
    out.push_back({tag, value});
  }
  return out;
}

class BuiltInScenarioTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    TestPlatform platform(folder_->path());
    Form1 form(platform);
    try {
      form.Form_Load();
      ADD_FAILURE() << "Form_Load returned instead of ending the program";
    } catch (const ProgramEnded& end) {
      status_ = end.status;
    }
    code_ = form.codice_errore;
    reports_ = platform.reports;
    windows_ = platform.windows;
  }
  static void TearDownTestSuite() { delete folder_; }

  static fs::path file(const std::string& suffix) { return folder_->path() / (kLine + suffix); }

  static TempFolder* folder_;
  static int status_;
  static int32_t code_;
  static std::vector<std::string> reports_;
  static std::vector<std::string> windows_;
};

TempFolder* BuiltInScenarioTest::folder_ = nullptr;
int BuiltInScenarioTest::status_ = -1;
int32_t BuiltInScenarioTest::code_ = -1;
std::vector<std::string> BuiltInScenarioTest::reports_;
std::vector<std::string> BuiltInScenarioTest::windows_;

TEST_F(BuiltInScenarioTest, CompilesCleanlyAndLeavesTheRightFiles) {
  EXPECT_EQ(code_, 0);
  EXPECT_EQ(status_, 0);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(windows_, std::vector<std::string>{"Attendere"});
  EXPECT_FALSE(fs::exists(file("_linea.txt")));
  EXPECT_FALSE(fs::exists(file("_4158-.txt")));
  for (const char* kept : {"_4158_scheda_treno.txt", "_4158_rallentamenti.txt", "_4158_note.txt",
                           "_linea.dat", "_4158.sim", "_4158.dat"})
    EXPECT_TRUE(fs::exists(file(kept))) << kept;
  // Nothing else: no temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_->path()), fs::directory_iterator()), 6);
}

TEST_F(BuiltInScenarioTest, GridHoldsTheLineAndTheService) {
  const std::string bytes = read_bytes(file("_4158.dat"));
  ASSERT_EQ(bytes.size(), 941u * 15u);
  const std::vector<cella> g = decode_grid(bytes);

  // Gradients: 0 per mille to cell 4, 18 to cell 11, 21 from cell 12; the
  // last three cells keep 0.
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(g[i].pendenza, 100) << i;
  for (int i = 5; i <= 11; ++i) EXPECT_EQ(g[i].pendenza, 118) << i;
  EXPECT_EQ(g[12].pendenza, 121);
  for (int i = 0; i <= 937; ++i) EXPECT_NE(g[i].pendenza, 0) << i;
  // Speed 80 km/h and the adhesion runs up to cell 937, nothing after.
  for (int i = 0; i <= 937; ++i) EXPECT_EQ(g[i].velocita, 16) << i;
  for (int i = 0; i <= 70; ++i) EXPECT_EQ(g[i].aderenza, 95) << i;
  for (int i = 71; i <= 84; ++i) EXPECT_EQ(g[i].aderenza, 85) << i;
  for (int i = 740; i <= 937; ++i) EXPECT_EQ(g[i].aderenza, 100) << i;
  for (int i = 938; i <= 940; ++i) {
    EXPECT_EQ(g[i].pendenza, 0) << i;
    EXPECT_EQ(g[i].velocita, 0) << i;
    EXPECT_EQ(g[i].aderenza, 0) << i;
  }

  // Tunnels: runs of cells of one kind, 15 of kind 1, 9 of kind 2, 18 of kind 3.
  std::map<int, int> runs;
  for (size_t i = 0; i < g.size(); ++i)
    if (g[i].montagna != 0 && (i == 0 || g[i - 1].montagna != g[i].montagna)) ++runs[g[i].montagna];
  EXPECT_EQ(runs, (std::map<int, int>{{1, 15}, {2, 9}, {3, 18}}));
  // The first tunnel, 600 to 850 m: cells 12 to 16, its marker in cell 15.
  for (int i = 12; i <= 16; ++i) EXPECT_EQ(g[i].montagna, 1) << i;
  EXPECT_EQ(g[15].tipo, 11);

  // Speed-limit boards at 300 m.
  EXPECT_EQ(g[7], (cella{6, 1500, 1600, 1600, 0, 0, 0, 0, 16, 118, 95}));

  // 43 name boards, records 80 down to 38; the summit board in cell 289.
  int boards = 0;
  for (const cella& c : g)
    if (c.tipo == 14) {
      ++boards;
      EXPECT_GE(c.dato1, 38);
      EXPECT_LE(c.dato1, 80);
    }
  EXPECT_EQ(boards, 43);
  EXPECT_EQ(g[289].tipo, 14);
  EXPECT_EQ(g[289].dato1, 80 - 17);

  // First and last stations' stop cells and markers.
  EXPECT_EQ(g[3].tipo, 10);
  EXPECT_EQ(g[3].dato1, 1);
  EXPECT_EQ(g[2].marcatore, 81);
  EXPECT_EQ(g[157].tipo, 10);
  EXPECT_EQ(g[157].dato1, 3);
  EXPECT_EQ(g[803].tipo, 10);
  EXPECT_EQ(g[803].dato1, 12);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(g[803 - k].marcatore, 80 + k) << k;

  // Signals: 5950 m in cell 120, 7000 m in cell 141, with their markers.
  EXPECT_EQ(g[120].tipo, 1);
  EXPECT_EQ(g[120].dato1, 50);
  EXPECT_EQ(g[120].dato2, 10);
  EXPECT_EQ(g[120].dato4, 3);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(g[120 - 2 * k].marcatore, 30 + k) << k;
  EXPECT_EQ(g[141].tipo, 1);
  EXPECT_EQ(g[141].dato1, 30);
  EXPECT_EQ(g[141].dato4, 6);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(g[141 - 2 * k].marcatore, 60 + k) << k;
  int signals = 0;
  for (const cella& c : g) signals += c.tipo == 1;
  EXPECT_EQ(signals, 14);

  // Cell 1: the marker and the plain check code.
  EXPECT_EQ(g[1].dato1, 5121);
  EXPECT_EQ(g[1].dato2, 2398);
}

TEST_F(BuiltInScenarioTest, RecordsHoldNamesStationsAndCodes) {
  const std::vector<voce> v = decode_records(read_bytes(file("_4158.sim")));

  const voce& first = v[1];
  EXPECT_EQ(first.nome, "VALDARCO TERME");
  EXPECT_EQ(first.tipo, 12);
  EXPECT_EQ(first.posizione, 0);
  EXPECT_EQ(first.inizio, -200);
  EXPECT_EQ(first.fine, 200);
  EXPECT_EQ(first.orario, 24480);
  EXPECT_EQ(v[3].fine, 7900);
  const voce& last = v[12];
  EXPECT_EQ(last.nome, "LORNESE");
  EXPECT_EQ(last.posizione, 39900);
  EXPECT_EQ(last.inizio, 39600);
  EXPECT_EQ(last.fine, 40200);
  EXPECT_EQ(last.orario, (7 * 60 + 38) * 60);
  EXPECT_EQ(v[11].nome, "LORNESE OVEST");
  EXPECT_TRUE(v[13].nome.empty());

  // Name boards: records 80 down to 38, the summit board eighteenth.
  for (int i = 38; i <= 80; ++i) EXPECT_FALSE(v[i].nome.empty()) << i;
  EXPECT_TRUE(v[37].nome.empty());
  EXPECT_EQ(v[63].nome, "(CULMINE)");
  EXPECT_EQ(v[80].nome.front(), '(');

  EXPECT_EQ((std::vector<int32_t>{v[81].inizio, v[81].fine, v[81].posizione}),
            (std::vector<int32_t>{0, 73450, 1}));
  for (int i : {82, 83}) EXPECT_EQ(v[i], voce{}) << i;
  EXPECT_EQ((std::vector<int32_t>{v[84].inizio, v[84].fine, v[84].posizione}),
            (std::vector<int32_t>{120, 40000, 3}));
  EXPECT_EQ(v[85].nome, kLine);
  EXPECT_EQ((std::vector<int32_t>{v[85].inizio, v[85].posizione, v[85].fine}),
            (std::vector<int32_t>{33600, 27600, 1}));
  EXPECT_EQ(v[85].campo7, 610);
  EXPECT_EQ(v[85].orario, 33076);
  EXPECT_EQ(v[86].nome, "4158");
  EXPECT_EQ((std::vector<int32_t>{v[86].inizio, v[86].fine, v[86].posizione}),
            (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(v[86].campo7, 300);
  EXPECT_EQ((std::vector<int>{v[86].campo10, v[86].campo11, v[86].campo12}),
            (std::vector<int>{6, 47, 30}));
}

TEST_F(BuiltInScenarioTest, PlanFollowsTheCurves) {
  const std::vector<Element> e = decode_plan(read_bytes(file("_linea.dat")));
  const size_t rows = 47001;
  ASSERT_EQ(e.size(), 2 * rows);
  auto x = [&](size_t m) { return e[m]; };
  auto y = [&](size_t m) { return e[rows + m]; };
  EXPECT_EQ(x(0).tag, 2);
  EXPECT_EQ(x(1).tag, 2);
  EXPECT_EQ(y(1).tag, 2);
  EXPECT_EQ(y(1).value, 1);
  for (size_t m = 2; m <= 200; ++m) {
    ASSERT_EQ(x(m).tag, 5);
    EXPECT_EQ(x(m).value, 0.0) << m;
    EXPECT_EQ(y(m).value, static_cast<double>(m)) << m;
  }
  EXPECT_NEAR(x(350).value, -22.484, 0.001);
  EXPECT_NEAR(y(350).value, 347.760, 0.001);
  EXPECT_EQ(x(46998).tag, 5);
  EXPECT_NEAR(x(46998).value, 4031.55, 0.01);
  EXPECT_NEAR(y(46998).value, 36975.87, 0.01);
  for (size_t m : {46999u, 47000u}) {
    EXPECT_EQ(x(m).tag, 0) << m;
    EXPECT_EQ(y(m).tag, 0) << m;
  }
}

TEST_F(BuiltInScenarioTest, TheProgramWritesNextToItself) {
  // A copy of the real executable in a fresh folder: running it leaves the
  // same files there, byte for byte, and exits 0.
  TempFolder run;
  const fs::path exe = run.path() / fs::path(SCENARIO_BUILDER_EXE).filename();
  fs::copy_file(SCENARIO_BUILDER_EXE, exe);
  ASSERT_EQ(run_program(exe, {}, {.folder = run.path().root_path()}), 0);
  for (const char* name : {"_4158_scheda_treno.txt", "_4158_rallentamenti.txt", "_4158_note.txt",
                           "_linea.dat", "_4158.sim", "_4158.dat"})
    EXPECT_EQ(read_bytes(run.path() / (kLine + std::string(name))), read_bytes(file(name))) << name;
  EXPECT_FALSE(fs::exists(run.path() / (kLine + std::string("_linea.txt"))));
}

}  // namespace
