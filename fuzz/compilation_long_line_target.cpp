// libFuzzer entry point: the whole build, like fuzz_compilation, for lines of
// any length (slower: the grid and the plan grow with the line); an input
// that begins with a NUL byte is the main program's whole run instead.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_compilation_long_line(std::span<const uint8_t>(data, size));
  return 0;
}
