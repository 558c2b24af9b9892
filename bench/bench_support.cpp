#include "bench_support.h"

#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
    : path(fs::temp_directory_path() / ("scenario-bench-" + std::to_string(std::random_device{}()))) {
  fs::create_directories(path);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(path, ec);
}

double status_kb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string name;
  while (status >> name) {
    if (name == field) {
      double kb = 0;
      status >> kb;
      return kb;
    }
  }
  return 0;
}
