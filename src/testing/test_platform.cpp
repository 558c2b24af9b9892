#include "testing/test_platform.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device rd;
  for (;;) {
    path_ = fs::temp_directory_path() / ("scenario-test-" + std::to_string(rd()));
    if (fs::create_directory(path_)) break;
  }
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << file;
    return {};
  }
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_bytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) ADD_FAILURE() << "cannot write " << file;
}
