#include "output/layouts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/scenario_files.h"
#include "output/scenario_reader.h"

namespace {

struct Row {
  std::string name;
  int32_t offset, width;
  bool is_signed;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& r) {
  return out << r.name << " at " << r.offset << ", " << r.width << (r.is_signed ? " signed" : " unsigned");
}

template <size_t N>
std::vector<Row> rows(const std::array<layout::FieldInfo, N>& table) {
  std::vector<Row> out;
  for (const layout::FieldInfo& f : table) out.push_back({f.name, f.offset, f.width, f.is_signed});
  return out;
}

// The tables against the layouts as the simulator reads them, row for row.
TEST(LayoutTest, CellFieldsLieWhereTheSimulatorReadsThem) {
  EXPECT_EQ(rows(layout::kCellTable), (std::vector<Row>{
                                          {"tipo", 0, 1, false},
                                          {"dato1", 1, 2, true},
                                          {"dato2", 3, 2, true},
                                          {"dato3", 5, 2, true},
                                          {"dato4", 7, 2, true},
                                          {"tempo_segnale", 9, 1, false},
                                          {"marcatore", 10, 1, false},
                                          {"montagna", 11, 1, false},
                                          {"velocita", 12, 1, false},
                                          {"pendenza", 13, 1, false},
                                          {"aderenza", 14, 1, false},
                                      }));
  EXPECT_EQ(layout::kCellBytes, 15);
}

TEST(LayoutTest, RecordFieldsLieWhereTheSimulatorReadsThem) {
  // After the name, offsets count the name's N bytes in addition.
  EXPECT_EQ(rows(layout::kRecordTable), (std::vector<Row>{
                                            {"tipo", 0, 1, false},
                                            {"inizio", 1, 4, true},
                                            {"fine", 5, 4, true},
                                            {"posizione", 9, 4, true},
                                            {"campo4", 13, 1, false},
                                            {"nome", 14, 2, false},
                                            {"campo7", 16, 2, true},
                                            {"campo8", 18, 2, true},
                                            {"campo10", 20, 2, true},
                                            {"campo11", 22, 2, true},
                                            {"campo12", 24, 2, true},
                                            {"campo9", 26, 1, false},
                                            {"campo13", 27, 1, false},
                                            {"prolunga", 28, 1, false},
                                            {"campo5", 29, 1, false},
                                            {"orario", 30, 4, true},
                                        }));
  EXPECT_EQ(layout::kRecordBytesWithoutName, 34);
  EXPECT_EQ(layout::kRecordHeadBytes, 16);
  EXPECT_EQ(layout::kRecordTailBytes, 18);
}

TEST(LayoutTest, PlanElementsAreATagAndItsValue) {
  EXPECT_EQ(layout::element_bytes(VariantType::empty), 2);
  EXPECT_EQ(layout::element_bytes(VariantType::int16), 4);
  EXPECT_EQ(layout::element_bytes(VariantType::float64), 10);
  for (uint16_t tag : {1, 3, 4, 6, 0xFFFF}) EXPECT_EQ(layout::element_kind(tag), nullptr) << tag;
}

TEST(LayoutTest, GridAndPlanSizeFollowTheLineLength) {
  struct Case {
    int32_t length, cells;
  };
  const Case cases[] = {
      {0, 141}, {40000, 941}, {1000000, 20141},
      {25, 141},  // nearest(140.5) is 140: halves go to the even neighbour
      {75, 143},  // nearest(141.5) is 142
  };
  for (const Case& c : cases) EXPECT_EQ(layout::grid_cells(c.length), c.cells) << c.length;
  EXPECT_EQ(layout::plan_rows(0), 7001);
  EXPECT_EQ(layout::plan_rows(40000), 47001);
}

TEST(LayoutTest, LittleEndianWhateverTheHost) {
  std::string out;
  layout::append_le(out, static_cast<int16_t>(-2));
  layout::append_le(out, static_cast<int32_t>(0x01020304));
  layout::append_le(out, 1.0);
  EXPECT_EQ(out, std::string("\xFE\xFF\x04\x03\x02\x01\x00\x00\x00\x00\x00\x00\xF0\x3F", 14));
  EXPECT_EQ(layout::load_le<int16_t>(out.data()), -2);
  EXPECT_EQ(layout::load_le<int32_t>(out.data() + 2), 0x01020304);
  EXPECT_EQ(layout::load_le<double>(out.data() + 6), 1.0);
}

// Writer and reader walk the same tables: every field at the edge of its
// width comes back as it went out.
TEST(LayoutTest, WhatTheWritersWriteTheReadersReadBack) {
  CellGrid grid(3);
  grid[2] = cella{255, -32768, 32767, -1, 1, 254, 253, 3, 24, 0x80, 0xFF};
  const auto cells = read_grid(grid_file_bytes(grid), "g", std::nullopt);
  ASSERT_TRUE(cells.ok()) << cells.error().message();
  EXPECT_EQ(cells.value(), grid);

  RecordTable records;
  records[0] = voce{255, INT32_MIN, INT32_MAX, -1, 254, "S\xE8", -32768, 32767, -1, 1, 2, 253, 252, 1, 250, 86399};
  records[86].nome = std::string(300, 'x');
  const auto read = read_records(service_file_bytes(records), "s");
  ASSERT_TRUE(read.ok()) << read.error().message();
  EXPECT_EQ(read.value(), records);

  TrackPlan plan;
  plan.points = {{0, 0}, {0, 1}, {-0.0, 2.5e-300}, {1e300, -7.25}};
  plan.row_count = 5;
  const auto back = read_plan(line_data_file_bytes(plan).view(), "l", plan.rows());
  ASSERT_TRUE(back.ok()) << back.error().message();
  EXPECT_EQ(back.value().computed(), 4);
  EXPECT_EQ(back.value().points, plan.points);
}

}  // namespace
