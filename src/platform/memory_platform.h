#pragma once
// A platform that keeps every file in memory: for the tools that compile
// description files they have made themselves (scenario-decompile proves its
// output this way), for the fuzz harnesses, which compile thousands of
// inputs a second, and for benchmarks of the compiler alone.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

/// Thrown where the program would end; carries the exit status.
struct ProgramEnded {
  int status;
};

class MemoryPlatform : public Platform {
 public:
  /// Files by full name.
  std::map<std::filesystem::path, std::string> files;
  std::vector<std::string> messages;
  std::vector<std::string> reports;
  /// When set, a deleted file stays readable (a benchmark reads the same
  /// description files on every iteration).
  bool keep_deleted = false;

  /// The folder a build lives in unless it is given another.
  static constexpr const char* kProgramFolder = "/memory";

  std::filesystem::path program_folder() override { return folder_; }
  void show_window(const std::string&) override {}
  void message_box(const std::string& text) override { messages.push_back(text); }
  void report(const std::string& line) override { reports.push_back(line); }
  [[noreturn]] void end_program(int status) override { throw ProgramEnded{status}; }
  /// A folder in memory is the program's own or one that holds a file.
  bool build_into(const std::filesystem::path& folder) override;

  bool file_exists(const std::filesystem::path& file) override;
  std::string read_file(const std::filesystem::path& file) override;
  void replace_file(const std::filesystem::path& file, std::string_view bytes) override;
  void replace_files(std::span<const NewFile> group) override;
  void delete_file(const std::filesystem::path& file) override;

 private:
  std::filesystem::path folder_ = kProgramFolder;
};
