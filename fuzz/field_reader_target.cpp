// libFuzzer entry point: the field reader of both description files.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_field_reader(std::span<const uint8_t>(data, size));
  return 0;
}
