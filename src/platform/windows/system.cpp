// The system calls of Windows, all through the wide (UTF-16) interfaces, so
// that every file name the program forms reaches the file system whole.

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cstdio>
#include <new>

#include "platform/large_block.h"
#include "platform/system.h"
#include "platform/windows/wide.h"

namespace fs = std::filesystem;

namespace {

// Win32 error numbers with the system's own wording; libstdc++'s
// system_category would read them as C library errno values.
class Win32Category : public std::error_category {
 public:
  const char* name() const noexcept override { return "win32"; }
  std::string message(int code) const override {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L'.' || message.back() == L' '))
      message.pop_back();
    if (message.empty()) return "Windows error " + std::to_string(code);
    return utf8_of_wide(message);
  }
};

const Win32Category& win32_category() {
  static const Win32Category category;
  return category;
}

std::error_code last_error() {
  return {static_cast<int>(GetLastError()), win32_category()};
}

}  // namespace

namespace os {

fs::path running_program() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (buffer.size() <= 65536) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return fs::path(buffer);
    }
    buffer.resize(buffer.size() * 2);  // the name was cut short
  }
  return {};
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (wide == nullptr) {  // cannot happen in practice; the ANSI argv then
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
  }
  for (int i = 1; i < count; ++i) arguments.push_back(utf8_of_wide(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::FILE* open_for_reading(const fs::path& file) { return _wfopen(file.c_str(), L"rb"); }

std::FILE* create_new(const fs::path& file) {
  const int fd = _wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* out = _fdopen(fd, "wb");
  if (out == nullptr) _close(fd);
  return out;
}

std::error_code move_replacing(const fs::path& from, const fs::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return last_error();
}

// A file opened by another program without FILE_SHARE_DELETE cannot be
// replaced (sharing violation, or access denied while a delete is pending).
bool held_by_another_program(std::error_code failure) {
  if (failure.category() != win32_category()) return false;
  const auto code = static_cast<DWORD>(failure.value());
  return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
         code == ERROR_LOCK_VIOLATION;
}

void pause_milliseconds(unsigned milliseconds) { Sleep(milliseconds); }

// Large pages on Windows need a privilege that ordinary users lack.
// Committed pages of VirtualAlloc are zero and untouched; large pages
// would need a privilege that a user's account does not hold.
void* allocate_large(size_t bytes) {
  void* block = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void release_large(void* block, size_t /*bytes*/) noexcept {
  if (block != nullptr) (void)VirtualFree(block, 0, MEM_RELEASE);
}

// Explorer starts a console program in a new console of its own: the program
// is then the only process attached to it. A console shared with cmd.exe,
// PowerShell or a script has two or more; a program started with no console
// at all (redirected by a service or a build tool) has none.
bool started_by_double_click() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void write_error_text(std::string_view utf8) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    std::fflush(stderr);
    const std::wstring wide = wide_of_utf8(utf8);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

}  // namespace os
