// libFuzzer entry point: the whole build of a line description and a train
// description, split from one input at its first NUL byte, for lines of at
// most kShortLineMetres.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_compilation(std::span<const uint8_t>(data, size));
  return 0;
}
