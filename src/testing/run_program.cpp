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
std::string quoted(const std::string& text) { return "\"" + text + "\""; }
constexpr const char* kNullDevice = "NUL";
constexpr const char* kChangeFolder = "cd /d ";
#else
// POSIX shell: arguments in single quotes, a quote inside written as '\''.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
constexpr const char* kNullDevice = "/dev/null";
constexpr const char* kChangeFolder = "cd ";
#endif

std::string target(const fs::path& file) {
  return file.empty() ? std::string(kNullDevice) : quoted(fs::absolute(file).string());
}

}  // namespace

int run_program(const fs::path& program, const std::vector<std::string>& arguments,
                const ProgramRun& run) {
  // Absolute, so that the program is found after the change of folder (and,
  // on Windows, on its own drive).
  std::string line = quoted(fs::absolute(program).make_preferred().string());
  for (const std::string& a : arguments) line += " " + quoted(a);
  line += " >" + target(run.output) + " 2>" + target(run.errors);
  if (!run.folder.empty())
    line = kChangeFolder + quoted(fs::absolute(run.folder).make_preferred().string()) + " && " + line;
#ifdef _WIN32
  return std::system(quoted(line).c_str());
#else
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
