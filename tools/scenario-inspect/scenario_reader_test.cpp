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
struct SampleFile {
  tb::Sample c = tb::sample();
  std::string grid = grid_file_bytes(c.percorso);
  std::string service = service_file_bytes(c.voci);
  std::string line = std::string(line_data_file_bytes(c.tracciato).view());

  Read<Scenario> read(bool with_line = true) const {
    ScenarioBytes b{grid, "V_4158.dat", service, "V_4158.sim", std::nullopt, "V_linea.dat"};
    if (with_line) b.line = line;
    return read_scenario(b);
  }
};

TEST(ScenarioReaderTest, ReadsBackEveryRecordCellAndPlanPoint) {
  const SampleFile f;
  const auto r = f.read();
  ASSERT_TRUE(r.ok()) << r.error().message();
  const Scenario& s = r.value();
  EXPECT_EQ(s.voci, f.c.voci);
  EXPECT_EQ(s.percorso, f.c.percorso);
  EXPECT_EQ(s.length, 3000);
  ASSERT_TRUE(s.has_plan);
  EXPECT_EQ(s.tracciato.rows(), 10001);
  EXPECT_EQ(s.tracciato.computed(), 9999);
  EXPECT_EQ(s.tracciato.points, f.c.tracciato.points);
  EXPECT_TRUE(s.checks.valid_ones());
  EXPECT_EQ(s.checks.plain_code.expected, 2398);
  EXPECT_EQ(s.checks.weighted_code.expected, 33076);
}

TEST(ScenarioReaderTest, LineDataFileIsOptional) {
  const auto r = SampleFile{}.read(false);
  ASSERT_TRUE(r.ok()) << r.error().message();
  EXPECT_FALSE(r.value().has_plan);
  EXPECT_FALSE(r.value().tracciato.exists());
}

/// The sample with values in its first 100 rows only, as the builder leaves
/// a plan it stopped early: the other 9901 rows of each column are empty.
/// Each column is then 2 x 4 + 98 x 10 + 9901 x 2 = 20790 bytes.
void keep_100_rows(SampleFile& f) {
  f.c.tracciato.points.resize(100);
  f.line = std::string(line_data_file_bytes(f.c.tracciato).view());
}

TEST(ScenarioReaderTest, ReadsAPlanOfMostlyEmptyRows) {
  SampleFile f;
  keep_100_rows(f);
  const auto r = f.read();
  ASSERT_TRUE(r.ok()) << r.error().message();
  EXPECT_EQ(r.value().tracciato.computed(), 100);
  EXPECT_EQ(r.value().tracciato.points, f.c.tracciato.points);
}

struct Fault {
  const char* nome;
  std::function<void(SampleFile&)> corrupt;
  const char* message;
};

// Offsets: the sample's records 0 to 86 are 34 bytes plus their names; its
// grid has 201 cells (3015 bytes); its plan 10001 rows, each column
// 2 x 4 + 9997 x 10 + 2 x 2 bytes = 99982 bytes.
const Fault kFaults[] = {
    {"ServiceTruncatedInFirstRecord", [](SampleFile& f) { f.service.resize(10); },
     "V_4158.sim: offset 0: expected 16 bytes of the head of record 0, found only 10 bytes before "
     "the end of the file"},
    {"ServiceTruncatedInsideAName",
     [](SampleFile& f) { f.service.resize(entry_start(f.c.voci, 85) + 20); },
     "V_4158.sim: offset 2976: expected 34 bytes of the 16-byte name and the tail of record 85, "
     "found only 4 bytes before the end of the file"},
    {"ServiceMissingItsLastByte", [](SampleFile& f) { f.service.pop_back(); },
     "V_4158.sim: offset 3026: expected 22 bytes of the 4-byte name and the tail of record 86, found "
     "only 21 bytes before the end of the file"},
    {"ServiceWithBytesAfterRecord86", [](SampleFile& f) { f.service += "abc"; },
     "V_4158.sim: offset 3048: expected the end of the file after the last record (86), found 3 more "
     "bytes"},
    {"ServiceWithANameLengthBeyondTheFile",
     [](SampleFile& f) { f.service[entry_start(f.c.voci, 86) + 14] = '\xFF'; },
     "V_4158.sim: offset 3026: expected 273 bytes of the 255-byte name and the tail of record 86, "
     "found only 22 bytes before the end of the file"},
    {"ServiceWithANegativeLineLength",
     [](SampleFile& f) {
       f.c.voci[84].fine = -1;
       f.service = service_file_bytes(f.c.voci);
     },
     "V_4158.sim: offset 2931: expected a line length of 0 to 1000000 m in record 84, found -1"},
    {"ServiceWithATooLongLine",
     [](SampleFile& f) {
       f.c.voci[84].fine = 1000001;
       f.service = service_file_bytes(f.c.voci);
     },
     "V_4158.sim: offset 2931: expected a line length of 0 to 1000000 m in record 84, found 1000001"},
    {"GridTruncated", [](SampleFile& f) { f.grid.resize(f.grid.size() - 5); },
     "V_4158.dat: offset 3000: expected 15 bytes of cell 200 of 201 for the line length of the "
     "service file, found only 10 bytes before the end of the file"},
    {"GridOneCellTooLong", [](SampleFile& f) { f.grid += std::string(15, '\0'); },
     "V_4158.dat: offset 3015: expected the end of the file after cell 200 (201 cells for the line "
     "length of the service file), found 15 more bytes"},
    {"GridEmpty", [](SampleFile& f) { f.grid.clear(); },
     "V_4158.dat: offset 0: expected 15 bytes of cell 0 of 201 for the line length of the service "
     "file, found the end of the file"},
    {"PlanWithABadTag", [](SampleFile& f) { f.line[2 * 4 + 10 * 3] = 7; },
     "V_linea.dat: offset 38: expected tag 0, 2 or 5 for metre 5 of column 0 (x), found tag 7"},
    {"PlanTruncatedInsideADouble", [](SampleFile& f) { f.line.resize(99982 + 8 + 5); },
     "V_linea.dat: offset 99992: expected 8 bytes of the double of metre 2 of column 1 (y), found "
     "only 3 bytes before the end of the file"},
    {"PlanTruncatedAtATag", [](SampleFile& f) { f.line.resize(99982 + 1); },
     "V_linea.dat: offset 99982: expected 2 bytes of the tag of metre 0 of column 1 (y), found only "
     "1 byte before the end of the file"},
    {"PlanWithExtraElements", [](SampleFile& f) { f.line += std::string(2, '\0'); },
     "V_linea.dat: offset 199964: expected the end of the file after metre 10000 of column 1 (10001 "
     "rows for the line length of the service file), found 2 more bytes"},
    {"PlanWithADoubleInRowZero",
     [](SampleFile& f) {
       std::string inizio;
       layout::append_le(inizio, static_cast<uint16_t>(VariantType::float64));
       layout::append_le(inizio, 0.0);
       f.line = inizio + f.line.substr(4);
     },
     "V_linea.dat: offset 0: expected tag 0 (nothing) for metre 0 of column 0 (x) (the integers of "
     "metres 0 and 1, then doubles, then nothing), found tag 5"},
    {"PlanWithColumnsThatDisagree",
     [](SampleFile& f) {
       // Column 1 loses the value of metre 9998: a tag 0 where column 0 has a double.
       const size_t at = 99982 + 8 + 9996 * 10;
       f.line = f.line.substr(0, at) + std::string(2, '\0') + f.line.substr(at + 10) + std::string(8, '\0');
     },
     "V_linea.dat: offset 199950: expected tag 5 (double) for metre 9998 of column 1 (y), as in "
     "column 0, found tag 0"},
    // Among the empty rows, which are read several at a time: metre 113 is
    // 13 rows into them, at byte 8 + 98 x 10 + 13 x 2 = 1014 of its column.
    {"PlanWithAValueAmongTheEmptyRows",
     [](SampleFile& f) {
       keep_100_rows(f);
       f.line[1014] = 5;
     },
     "V_linea.dat: offset 1014: expected tag 0 (nothing) for metre 113 of column 0 (x) (the integers "
     "of metres 0 and 1, then doubles, then nothing), found tag 5"},
    {"PlanWithColumnsThatDisagreeAmongTheEmptyRows",
     [](SampleFile& f) {
       keep_100_rows(f);
       f.line[20790 + 1014] = 2;
     },
     "V_linea.dat: offset 21804: expected tag 0 (nothing) for metre 113 of column 1 (y), as in "
     "column 0, found tag 2"},
    {"PlanTruncatedAmongTheEmptyRows",
     [](SampleFile& f) {
       keep_100_rows(f);
       f.line.resize(20790 + 1014 + 1);
     },
     "V_linea.dat: offset 21804: expected 2 bytes of the tag of metre 113 of column 1 (y), found "
     "only 1 byte before the end of the file"},
};

class CorruptFileTest : public testing::TestWithParam<Fault> {};

TEST_P(CorruptFileTest, GivesTheFileTheOffsetAndWhatWasExpected) {
  SampleFile f;
  GetParam().corrupt(f);
  const auto r = f.read();
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Corrupt, CorruptFileTest, testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(ScenarioReaderTest, EveryTruncationOfEachFileIsAnErrorNotACrash) {
  const SampleFile f;
  auto read = [&](std::string_view grid, std::string_view service, std::string_view line) {
    return read_scenario({grid, "g", service, "s", line, "l"}).ok();
  };
  ASSERT_TRUE(read(f.grid, f.service, f.line));
  const std::string_view g = f.grid, s = f.service, l = f.line;
  for (size_t n = 0; n < s.size(); ++n) EXPECT_FALSE(read(g, s.substr(0, n), l)) << "service cut at " << n;
  for (size_t n = 0; n < g.size(); ++n) EXPECT_FALSE(read(g.substr(0, n), s, l)) << "grid cut at " << n;
  // The plan file is long: every cut in its first and last elements.
  for (size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 9u, 10u, 199954u, 199963u})
    EXPECT_FALSE(read(g, s, l.substr(0, n))) << "plan cut at " << n;
}

TEST(ScenarioReaderTest, ReadersStandAloneOnArbitraryBytes) {
  // Without a line length the grid reader takes any whole number of cells
  // from two up.
  EXPECT_EQ(read_grid(std::string(30, '\0'), "g", std::nullopt).value().size(), 2u);
  EXPECT_EQ(read_grid(std::string(15, '\0'), "g", std::nullopt).error().message(),
            "g: offset 0: expected at least 2 cells (30 bytes), found 15 bytes");
  EXPECT_EQ(read_grid(std::string(31, '\0'), "g", std::nullopt).error().message(),
            "g: offset 30: expected the end of the file after cell 1 (15 bytes a cell), found 1 more byte");
  // A plan of zero computed rows: every element empty.
  const auto empty = read_plan(std::string(4 * 2, '\0'), "l", 2);
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty.value().computed(), 0);
}

TEST(ScenarioReaderTest, WrongCodesAndMarkersAreReadButNotValid) {
  struct Case {
    const char* nome;
    std::function<void(tb::Sample&)> change;
    bool marcatore, record_marker, plain, weighted;
  };
  const Case cases[] = {
      {"plain code", [](tb::Sample& c) { c.percorso[1].dato2 += 1; }, true, true, false, true},
      {"weighted code", [](tb::Sample& c) { c.voci[85].orario = 0; }, true, true, true, false},
      {"cell marker", [](tb::Sample& c) { c.percorso[1].dato1 = 0; }, false, true, true, true},
      {"record marker", [](tb::Sample& c) { c.voci[85].campo7 = 611; }, true, false, true, true},
      // The codes follow the names stored in the records; another train
      // number gives other codes.
      {"train number", [](tb::Sample& c) { c.voci[86].nome = "4159"; }, true, true, false, false},
      // Case does not matter to the codes.
      {"line name case", [](tb::Sample& c) { c.voci[85].nome = "VALDARCO_LORNESE"; }, true, true, true, true},
  };
  for (const Case& k : cases) {
    SampleFile f;
    k.change(f.c);
    f.grid = grid_file_bytes(f.c.percorso);
    f.service = service_file_bytes(f.c.voci);
    const auto r = f.read();
    ASSERT_TRUE(r.ok()) << k.nome;
    const Checks& c = r.value().checks;
    EXPECT_EQ(c.marcatore.valid(), k.marcatore) << k.nome;
    EXPECT_EQ(c.record_marker.valid(), k.record_marker) << k.nome;
    EXPECT_EQ(c.plain_code.valid(), k.plain) << k.nome;
    EXPECT_EQ(c.weighted_code.valid(), k.weighted) << k.nome;
    EXPECT_EQ(c.valid_ones(), k.marcatore && k.record_marker && k.plain && k.weighted) << k.nome;
  }
}

}  // namespace
