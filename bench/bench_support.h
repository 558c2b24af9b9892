#pragma once
// What the benchmarks share: a scratch folder on disk, and this process's
// memory as the kernel accounts it. Linux only, like the rest of the
// benchmarks.

#include <filesystem>

/// A fresh folder for a benchmark's files, removed with everything in it at
/// the end.
struct ScratchFolder {
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path path;
};

/// A value of /proc/self/status in kilobytes: `field` is its name with the
/// colon ("VmRSS:" the resident size now, "VmHWM:" its peak); 0 when the
/// field is not there.
double status_kb(const char* field);
