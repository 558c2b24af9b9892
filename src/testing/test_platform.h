#pragma once
// A platform for tests: a real folder (a fresh temporary one by default),
// with the window, the message box and the reports captured, and the end of
// the program turned into an exception that a test can catch.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/system_platform.h"
#include "testing/memory_platform.h"  // ProgramEnded

/// A fresh empty folder under the system's temporary folder, removed with
/// everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class TestPlatform : public SystemPlatform {
 public:
  explicit TestPlatform(const std::filesystem::path& folder) : SystemPlatform(folder) {}

  void show_window(const std::string& label) override { windows.push_back(label); }
  void message_box(const std::string& text) override { messages.push_back(text); }
  void report(const std::string& line) override { reports.push_back(line); }
  [[noreturn]] void end_program(int status) override { throw ProgramEnded{status}; }

  std::vector<std::string> windows;
  std::vector<std::string> messages;
  std::vector<std::string> reports;
};

/// The whole content of a file, or a test failure when it cannot be read.
std::string read_bytes(const std::filesystem::path& file);
/// Writes a file with exactly these bytes.
void write_bytes(const std::filesystem::path& file, const std::string& bytes);
