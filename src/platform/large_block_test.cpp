#include "platform/large_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "model/records.h"

namespace {

// Sizes around the huge page: below, exactly one, and one byte beyond
// several (the block must still reach the last byte asked for).
TEST(LargeBlockTest, IsZeroWritableToItsLastByteAndGivenBack) {
  for (const size_t bytes : {size_t{1}, os::kLargeBlockBytes, 3 * os::kLargeBlockBytes + 1}) {
    auto* block = static_cast<unsigned char*>(os::allocate_large(bytes));
    ASSERT_NE(block, nullptr) << bytes;
    EXPECT_TRUE(std::all_of(block, block + bytes, [](unsigned char b) { return b == 0; }))
        << bytes;
    block[0] = 1;
    block[bytes - 1] = 2;
    EXPECT_EQ(block[bytes - 1], 2) << bytes;
#ifndef _WIN32
    // Linux backs a block with huge pages only where it starts on one.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % os::kLargeBlockBytes, 0u) << bytes;
#endif
    os::release_large(block, bytes);
  }
}

// The plan's storage takes small plans from the heap and large ones from the
// system; either way a plan is a plain table of zeroed rows that copies,
// compares and grows.
TEST(LargeBlockTest, PlanStorageHoldsSmallAndLargePlans) {
  for (const size_t rows : {size_t{5}, 3 * os::kLargeBlockBytes / 16 + 3}) {
    TrackPlan plan;
    plan.points.assign(rows, {0.0, 0.0});
    plan.points.back() = {1.5, -2.0};
    const TrackPlan copy = plan;
    EXPECT_EQ(copy.points, plan.points) << rows;
    plan.points.push_back({3.0, 4.0});
    EXPECT_EQ(plan.points[rows - 1], (std::array<double, 2>{1.5, -2.0})) << rows;
    EXPECT_EQ(plan.points[rows], (std::array<double, 2>{3.0, 4.0})) << rows;
    EXPECT_EQ(plan.points[rows / 2], (std::array<double, 2>{0.0, 0.0})) << rows;
  }
}

}  // namespace
