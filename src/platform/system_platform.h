#pragma once
// The platform of the real program: stderr stands in for the window and the
// message box, files are written with a temporary file and a rename.

#include <cstddef>
#include <cstdio>
#include <system_error>

#include "platform/platform.h"

class SystemPlatform : public Platform {
 public:
  /// A platform whose program folder is `folder`.
  explicit SystemPlatform(std::filesystem::path folder);

  /// The platform of the running executable: its folder is the one that holds
  /// the executable (found through /proc/self/exe, or argv[0] as a fallback).
  static SystemPlatform for_executable(const char* argv0);

  std::filesystem::path program_folder() override;
  void show_window(const std::string& label) override;
  void message_box(const std::string& text) override;
  void report(const std::string& line) override;
  [[noreturn]] void end_program(int status) override;

  bool file_exists(const std::filesystem::path& file) override;
  std::string read_file(const std::filesystem::path& file) override;
  void replace_file(const std::filesystem::path& file, std::string_view bytes) override;
  void delete_file(const std::filesystem::path& file) override;

 protected:
  // The two steps of a safe replace that can fail part-way, as seams: a test
  // platform overrides them to fail, so that the real replace code is what
  // its tests exercise.

  /// Writes the bytes to the open temporary file; returns how many were
  /// written (fewer means failure, with errno set).
  virtual size_t write_block(std::FILE* out, std::string_view bytes);
  /// Renames the complete temporary file over the final name.
  virtual std::error_code rename_over(const std::filesystem::path& from,
                                      const std::filesystem::path& to);

 private:
  std::filesystem::path write_temporary(const std::filesystem::path& file, std::string_view bytes);

  std::filesystem::path folder_;
};
