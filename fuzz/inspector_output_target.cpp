// libFuzzer entry point: the inspector's readers, then its decoding, report and
// rendering of every scenario that reads.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_inspector_output(std::span<const uint8_t>(data, size));
  return 0;
}
