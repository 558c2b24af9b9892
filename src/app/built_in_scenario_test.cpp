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
#include "output/layouts.h"
#include "output/scenario_reader.h"
#include "testing/run_program.h"
#include "testing/sha256.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

// The compiled files read back through the builder's own readers, which
// check every length against the layout.
CellGrid read_grid(const fs::path& file) {
  const std::string bytes = read_bytes(file);
  auto grid = ::read_grid(bytes, file.string(), std::nullopt);
  EXPECT_TRUE(grid.ok()) << grid.error().message();
  return grid.ok() ? grid.value() : CellGrid{};
}

RecordTable read_records(const fs::path& file) {
  const std::string bytes = read_bytes(file);
  auto records = ::read_records(bytes, file.string());
  EXPECT_TRUE(records.ok()) << records.error().message();
  return records.ok() ? records.value() : RecordTable{};
}

TrackPlan read_plan(const fs::path& file, int32_t length) {
  const std::string bytes = read_bytes(file);
  auto plan = ::read_plan(bytes, file.string(), layout::plan_rows(length));
  EXPECT_TRUE(plan.ok()) << plan.error().message();
  return plan.ok() ? plan.value() : TrackPlan{};
}

/// The pinned SHA-256 digests of the built-in scenario's eight files
/// (sha256sum's format, one line a file, beside this test).
std::map<std::string, std::string> pinned_digests() {
  return read_sha256sums(fs::path(SCENARIO_SOURCE_DIR) / "src/app/built_in_scenario.sha256");
}

/// A test platform that keeps the bytes of every file it deletes: the build
/// reads and deletes the two description files, which are checked too.
class KeepingPlatform : public TestPlatform {
 public:
  using TestPlatform::TestPlatform;
  void delete_file(const fs::path& file) override {
    if (fs::exists(file)) deleted[file.filename().string()] = read_bytes(file);
    TestPlatform::delete_file(file);
  }
  std::map<std::string, std::string> deleted;
};

class BuiltInScenarioTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    KeepingPlatform platform(folder_->path());
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
    deleted_ = platform.deleted;
  }
  static void TearDownTestSuite() { delete folder_; }

  static std::string name(ScenarioFile f) {
    return scenario_file_name(f, kDefaultLineName, kDefaultTrainNumber);
  }
  static fs::path file(ScenarioFile f) { return folder_->path() / name(f); }

  static TempFolder* folder_;
  static int status_;
  static int32_t code_;
  static std::vector<std::string> reports_;
  static std::vector<std::string> windows_;
  static std::map<std::string, std::string> deleted_;
};

TempFolder* BuiltInScenarioTest::folder_ = nullptr;
int BuiltInScenarioTest::status_ = -1;
int32_t BuiltInScenarioTest::code_ = -1;
std::vector<std::string> BuiltInScenarioTest::reports_;
std::vector<std::string> BuiltInScenarioTest::windows_;
std::map<std::string, std::string> BuiltInScenarioTest::deleted_;

TEST_F(BuiltInScenarioTest, CompilesCleanlyAndLeavesTheRightFiles) {
  EXPECT_EQ(code_, 0);
  EXPECT_EQ(status_, 0);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(windows_, std::vector<std::string>{"Attendere"});
  for (const ScenarioFile read : kDescriptionFiles) EXPECT_FALSE(fs::exists(file(read))) << name(read);
  for (const ScenarioFile f : kFilesLeftByARun) EXPECT_TRUE(fs::exists(file(f))) << name(f);
  // Nothing else: no temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_->path()), fs::directory_iterator()), 6);
}

TEST_F(BuiltInScenarioTest, GridHoldsTheLineAndTheService) {
  const CellGrid g = read_grid(file(ScenarioFile::grid));
  ASSERT_EQ(g.size(), 941u);

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
  const RecordTable v = read_records(file(ScenarioFile::service));

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
  EXPECT_EQ(v[85].nome, kDefaultLineName);
  EXPECT_EQ((std::vector<int32_t>{v[85].inizio, v[85].posizione, v[85].fine}),
            (std::vector<int32_t>{33600, 27600, 1}));
  EXPECT_EQ(v[85].campo7, 610);
  EXPECT_EQ(v[85].orario, 33076);
  EXPECT_EQ(v[86].nome, kDefaultTrainNumber);
  EXPECT_EQ((std::vector<int32_t>{v[86].inizio, v[86].fine, v[86].posizione}),
            (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(v[86].campo7, 300);
  EXPECT_EQ((std::vector<int>{v[86].campo10, v[86].campo11, v[86].campo12}),
            (std::vector<int>{6, 47, 30}));
}

TEST_F(BuiltInScenarioTest, PlanFollowsTheCurves) {
  // The reader accepts only the shape the builder writes: the integers of
  // metres 0 and 1, then doubles, then nothing, in both columns alike.
  const TrackPlan t = read_plan(file(ScenarioFile::line_data), 40000);
  ASSERT_EQ(t.rows(), 47001);
  EXPECT_EQ(t.computed(), 46999);  // the last two metres hold nothing
  EXPECT_EQ(t.points[0], (std::array<double, 2>{0, 0}));
  EXPECT_EQ(t.points[1], (std::array<double, 2>{0, 1}));
  for (size_t m = 2; m <= 200; ++m)
    EXPECT_EQ(t.points[m], (std::array<double, 2>{0, static_cast<double>(m)})) << m;
  // The build gives bit-identical doubles on every platform: the points
  // after the first curves and at the end of the line are pinned exactly
  // as the program computes them today (about (-22.484, 347.760) and
  // (4031.554, 36975.873)).
  EXPECT_EQ(t.points[350][0], -0x1.67be6516ef3e1p+4);
  EXPECT_EQ(t.points[350][1], 0x1.5bc286d7f3517p+8);
  EXPECT_EQ(t.points[46998][0], 0x1.f7f1b9cdc44ccp+11);
  EXPECT_EQ(t.points[46998][1], 0x1.20dfbf153ebb4p+15);
}

// Every byte of the eight files, pinned by digest: the description files as
// the build read them before deleting them, the others as it left them.
TEST_F(BuiltInScenarioTest, EveryFileHasThePinnedDigest) {
  const std::map<std::string, std::string> pinned = pinned_digests();
  ASSERT_EQ(pinned.size(), std::size(kScenarioFileNames));
  for (const ScenarioFileName& row : kScenarioFileNames) {
    const std::string n = name(row.file);
    ASSERT_EQ(pinned.count(n), 1u) << n;
    const bool read_and_deleted = deleted_.count(n) != 0;
    const std::string bytes = read_and_deleted ? deleted_.at(n) : read_bytes(file(row.file));
    EXPECT_EQ(sha256_hex(bytes), pinned.at(n)) << n;
  }
  EXPECT_EQ(deleted_.size(), std::size(kDescriptionFiles));
}

TEST_F(BuiltInScenarioTest, TheProgramWritesThePinnedBytesNextToItself) {
  // A copy of the real executable in a fresh folder: it exits 0 and leaves
  // the six files there with the pinned digests (the two description files
  // it reads and deletes; the test above pins those).
  TempFolder run;
  const fs::path exe = run.path() / fs::path(SCENARIO_BUILDER_EXE).filename();
  fs::copy_file(SCENARIO_BUILDER_EXE, exe);
  ASSERT_EQ(run_program(exe, {}, {.folder = run.path().root_path()}), 0);
  const std::map<std::string, std::string> pinned = pinned_digests();
  for (const ScenarioFile f : kFilesLeftByARun)
    EXPECT_EQ(sha256_hex(read_bytes(run.path() / name(f))), pinned.at(name(f))) << name(f);
  for (const ScenarioFile f : kDescriptionFiles) EXPECT_FALSE(fs::exists(run.path() / name(f))) << name(f);
  EXPECT_EQ(std::distance(fs::directory_iterator(run.path()), fs::directory_iterator()), 7);  // and the program
}

}  // namespace
