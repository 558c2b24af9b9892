// libFuzzer entry point: the inspector's readers of the three compiled files.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_inspector_readers(std::span<const uint8_t>(data, size));
  return 0;
}
