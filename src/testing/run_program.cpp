#include "testing/run_program.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// cmd.exe: arguments in double quotes; the null device is NUL; "cd /d" also
// changes the drive. The whole line goes in one more pair of quotes, which
// cmd /c takes off again.
void append_quoted(std::string& line, const std::string& text) {
  line += '"';
  line += text;
  line += '"';
}
constexpr const char* kNullDevice = "NUL";
constexpr const char* kChangeFolder = "cd /d ";
#else
// POSIX shell: arguments in single quotes, a quote inside written as '\''.
void append_quoted(std::string& line, const std::string& text) {
  line += '\'';
  for (char c : text) {
    if (c == '\'')
      line += "'\\''";
    else
      line += c;
  }
  line += '\'';
}
constexpr const char* kNullDevice = "/dev/null";
constexpr const char* kChangeFolder = "cd ";
#endif

/// Absolute, so that it is found after the change of folder (and, on
/// Windows, on its own drive).
std::string absolute_name(const fs::path& p) { return fs::absolute(p).make_preferred().string(); }

void append_redirection(std::string& line, const char* operation, const fs::path& file) {
  line += operation;
  if (file.empty())
    line += kNullDevice;
  else
    append_quoted(line, absolute_name(file));
}

}  // namespace

int run_program(const fs::path& program, const std::vector<std::string>& arguments,
                const ProgramRun& run) {
  std::string line;
  if (!run.folder.empty()) {
    line += kChangeFolder;
    append_quoted(line, absolute_name(run.folder));
    line += " && ";
  }
  append_quoted(line, absolute_name(program));
  for (const std::string& a : arguments) {
    line += ' ';
    append_quoted(line, a);
  }
  append_redirection(line, " >", run.output);
  append_redirection(line, " 2>", run.errors);
#ifdef _WIN32
  std::string whole;
  append_quoted(whole, line);
  return std::system(whole.c_str());
#else
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
