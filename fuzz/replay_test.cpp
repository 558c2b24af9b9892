// Replays every seed input and every input kept in the regression folders
// through the fuzz harnesses, one test per file, on every run of the suite.
// A harness aborts when an invariant breaks, so a failing input fails its
// own test, named after the file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace fs = std::filesystem;

namespace {

struct Target {
  const char* nome;  ///< folder name under corpus/ and regressions/
  void (*harness)(std::span<const uint8_t>);
};

constexpr Target kTargets[] = {
    {"field_reader", fuzz_field_reader},
    {"compilation", fuzz_compilation},
    {"compilation_long_line", fuzz_compilation_long_line},
    {"inspector_readers", fuzz_inspector_readers},
    {"inspector_output", fuzz_inspector_output},
};

struct ReplayInput {
  const Target* target;
  std::string folder;  ///< "corpus" or "regressions"
  fs::path file;
};

std::vector<ReplayInput> all_inputs() {
  std::vector<ReplayInput> out;
  for (const Target& b : kTargets) {
    for (const char* folder : {"corpus", "regressions"}) {
      const fs::path dir = fs::path(SCENARIO_FUZZ_DIR) / folder / b.nome;
      if (!fs::is_directory(dir)) continue;
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && e.path().filename() != "README.md") files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) out.push_back({&b, folder, f});
    }
  }
  return out;
}

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string test_name(const testing::TestParamInfo<ReplayInput>& info) {
  std::string nome = std::string(info.param.target->nome) + "_" + info.param.folder + "_" +
                     info.param.file.filename().string();
  for (char& c : nome)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return nome;
}

struct ReplayTest : testing::TestWithParam<ReplayInput> {};

TEST_P(ReplayTest, HoldsEveryInvariant) {
  const std::string bytes = read(GetParam().file);
  const std::span input(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  // fuzz_compilation skips longer lines: an input of its folders that it
  // would skip belongs to compilation_long_line.
  if (GetParam().target->harness == fuzz_compilation) {
    EXPECT_TRUE(within_short_line(input)) << "a line longer than fuzz_compilation builds";
  }
  GetParam().target->harness(input);
}

INSTANTIATE_TEST_SUITE_P(Fuzz, ReplayTest, testing::ValuesIn(all_inputs()), test_name);

// The folders themselves: a target without seeds would fuzz from nothing,
// and the regression folders must keep what was found.
TEST(ReplayFolders, EveryTargetHasSeedsAndRegressions) {
  for (const Target& b : kTargets) {
    for (const char* folder : {"corpus", "regressions"}) {
      const fs::path dir = fs::path(SCENARIO_FUZZ_DIR) / folder / b.nome;
      ASSERT_TRUE(fs::is_directory(dir)) << dir;
      EXPECT_GT(std::distance(fs::directory_iterator(dir), {}), 0) << dir;
    }
  }
}

}  // namespace
