#pragma once
// The few calls that differ between the systems the program runs on, one
// implementation each: posix/system.cpp and windows/system.cpp, chosen by
// the build. Everything above them (SystemPlatform, the tools) is the same
// code on every system.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/desktop.h"

namespace os {

/// The file of the running program as the system knows it (GetModuleFileNameW
/// on Windows, /proc/self/exe on Linux); empty when the system cannot tell.
std::filesystem::path running_program();

/// The program's arguments, argv[1] onwards, as UTF-8. On Windows they are
/// taken from the wide command line, so that a name no ANSI code page holds
/// arrives whole; elsewhere they are argv as it is.
std::vector<std::string> utf8_arguments(int argc, char** argv);

/// argc and argv again with the arguments in UTF-8 (argv[0] as it was),
/// for code that reads a command line.
class Utf8CommandLine {
 public:
  Utf8CommandLine(int argc, char** argv) : words_(utf8_arguments(argc, argv)) {
    words_.insert(words_.begin(), argc > 0 ? argv[0] : "");
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

/// Opens an existing file for binary reading; nullptr with errno set when it
/// cannot be opened.
std::FILE* open_for_reading(const std::filesystem::path& file);

/// Creates a file that must not exist yet and opens it for binary writing;
/// nullptr with errno set (EEXIST when the name is taken).
std::FILE* create_new(const std::filesystem::path& file);

/// Moves `from` over `to` in one step, replacing `to` when it exists
/// (rename on POSIX; MoveFileExW with MOVEFILE_REPLACE_EXISTING and
/// MOVEFILE_WRITE_THROUGH on Windows).
std::error_code move_replacing(const std::filesystem::path& from, const std::filesystem::path& to);

/// Whether a failed move is worth a few short retries: the target is held
/// open by another program (the simulator, a virus scanner) that may let go.
bool held_by_another_program(std::error_code failure);

/// Waits a little between two tries.
void pause_milliseconds(unsigned milliseconds);

/// True when the program was started by a double-click: it has a console of
/// its own that no other process shares (Windows), so nobody reads what it
/// prints. Always false where there is no such thing (POSIX).
bool started_by_double_click();

/// The system's window and message box, when it has them; nullptr otherwise.
/// On Windows it also lets go of the console of a double-clicked program, so
/// that only the window stays on the screen.
std::unique_ptr<Desktop> system_desktop();

/// Writes UTF-8 text to standard error: through the console's own wide
/// calls when standard error is a Windows console, byte for byte otherwise.
void write_error_text(std::string_view utf8);

}  // namespace os
