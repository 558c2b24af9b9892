#include "platform/system_platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string reason(int err) { return std::strerror(err); }

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with the path in the system's own form: wide on Windows, where a
// narrow name would go through the ANSI code page.
std::FILE* open_file(const fs::path& file, const char* mode) {
#ifdef _WIN32
  const std::wstring wide_mode(mode, mode + std::strlen(mode));
  return _wfopen(file.c_str(), wide_mode.c_str());
#else
  return std::fopen(file.c_str(), mode);
#endif
}

void remove_quietly(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
}

// A name in the same folder that no other file has yet: the rename that
// replaces the final file then happens inside one file system.
fs::path temporary_name(const fs::path& file, unsigned attempt) {
  static std::mt19937_64 generator{std::random_device{}()};
  fs::path tmp = file;
  tmp += ".tmp-" + std::to_string(generator() % 1000000000u) + "-" + std::to_string(attempt);
  return tmp;
}

}  // namespace

// Writes the bytes to a new temporary file and closes it, checking every
// step; on any failure the temporary file is removed. Returns its name.
fs::path SystemPlatform::write_temporary(const fs::path& file, std::string_view bytes) {
  for (unsigned attempt = 0;; ++attempt) {
    const fs::path tmp = temporary_name(file, attempt);
    errno = 0;
    std::FILE* raw = open_file(tmp, "wbx");  // x: fail if it exists
    if (!raw) {
      if (errno == EEXIST && attempt < 100) continue;
      throw FileError(file, "cannot create a file in its folder: " + reason(errno));
    }
    FilePtr out(raw);
    errno = 0;
    const size_t written = bytes.empty() ? 0 : write_block(raw, bytes);
    const int write_errno = errno;
    if (written != bytes.size() || std::fflush(raw) != 0) {
      const int err = write_errno != 0 ? write_errno : errno;
      out.reset();
      remove_quietly(tmp);
      throw FileError(file, "cannot write: " + reason(err));
    }
    if (std::fclose(out.release()) != 0) {
      const int err = errno;
      remove_quietly(tmp);
      throw FileError(file, "cannot write: " + reason(err));
    }
    return tmp;
  }
}

size_t SystemPlatform::write_block(std::FILE* out, std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), out);
}

std::error_code SystemPlatform::rename_over(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  return ec;
}

SystemPlatform::SystemPlatform(fs::path folder) : folder_(std::move(folder)) {}

SystemPlatform SystemPlatform::for_executable(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) exe = fs::absolute(argv0 ? argv0 : ".", ec);
  return SystemPlatform(exe.parent_path());
}

fs::path SystemPlatform::program_folder() { return folder_; }

void SystemPlatform::show_window(const std::string& label) { std::cerr << label << '\n'; }

void SystemPlatform::message_box(const std::string& text) { std::cerr << text << '\n'; }

void SystemPlatform::report(const std::string& line) { std::cerr << line << '\n'; }

void SystemPlatform::end_program(int status) {
  std::cerr.flush();
  std::exit(status);
}

bool SystemPlatform::file_exists(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}

std::string SystemPlatform::read_file(const fs::path& file) {
  errno = 0;
  FilePtr in(open_file(file, "rb"));
  if (!in) throw FileError(file, "cannot open for reading: " + reason(errno));
  std::string content;
  char buffer[1 << 16];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) content.append(buffer, got);
  if (std::ferror(in.get())) throw FileError(file, "cannot read: " + reason(errno));
  return content;
}

void SystemPlatform::replace_file(const fs::path& file, std::string_view bytes) {
  const fs::path tmp = write_temporary(file, bytes);
  std::error_code ec = rename_over(tmp, file);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(tmp, ec);
    throw FileError(file, "cannot replace: " + why);
  }
}

void SystemPlatform::delete_file(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
  if (ec) throw FileError(file, "cannot delete: " + ec.message());
}
