// The system calls of POSIX (Linux and the like).

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

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

// The advice must start on a page boundary: the block's first whole page.
// A block smaller than one huge page gains nothing.
void advise_huge_pages(void* block, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr size_t kHugePage = size_t{2} << 20;
  const long page_size = sysconf(_SC_PAGESIZE);
  if (block == nullptr || bytes < kHugePage || page_size <= 0) return;
  const auto page = static_cast<uintptr_t>(page_size);
  const auto begin = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (begin + page - 1) / page * page;
  (void)madvise(reinterpret_cast<void*>(first), begin + bytes - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

bool started_by_double_click() { return false; }

std::unique_ptr<Desktop> system_desktop() { return nullptr; }

void write_error_text(std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

}  // namespace os
