// The system calls of POSIX (Linux and the like).

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <new>
#include <thread>

#include "platform/large_block.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace os {

fs::path running_program() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe;
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

std::FILE* open_for_reading(const fs::path& file) { return std::fopen(file.c_str(), "rb"); }

std::FILE* create_new(const fs::path& file) {
  return std::fopen(file.c_str(), "wbx");  // x: fail if it exists
}

std::error_code move_replacing(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  return ec;
}

// A rename over an open file works on POSIX; only a few network and special
// file systems answer "busy" for a while.
bool held_by_another_program(std::error_code failure) {
  return failure == std::errc::device_or_resource_busy || failure == std::errc::text_file_busy;
}

void pause_milliseconds(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The kernel backs a region with a huge page only where the advice covers
// the whole aligned 2 MB before its first touch: the mapping is made one
// huge page larger than asked, its unaligned ends are given back, and the
// advice is given before anything is written to it.
void* allocate_large(size_t bytes) {
  const size_t size = (bytes + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes;
  if (size < bytes || size + kLargeBlockBytes < size) throw std::bad_alloc();
  void* mapped = mmap(nullptr, size + kLargeBlockBytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes;
  if (aligned > start) (void)munmap(mapped, aligned - start);
  const uintptr_t tail = start + size + kLargeBlockBytes - (aligned + size);
  if (tail > 0) (void)munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  (void)madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

void release_large(void* block, size_t bytes) noexcept {
  if (block == nullptr) return;
  const size_t size = (bytes + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes;
  (void)munmap(block, size);
}

bool started_by_double_click() { return false; }

std::unique_ptr<Desktop> system_desktop() { return nullptr; }

void write_error_text(std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

}  // namespace os
