#pragma once
// The in-memory platform now lives with the other platforms, where the tools
// can use it too; this name stays for the tests, harnesses and benchmarks.

#include "platform/memory_platform.h"
