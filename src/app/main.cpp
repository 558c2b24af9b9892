// The main program: builds the built-in scenario into the folder that holds
// the program, or into the folder of its one optional argument (an installed
// program cannot write next to itself), then ends.
//
//   scenario-builder [FOLDER]

#include <cstdlib>
#include <string>
#include <system_error>

#include "app/error_codes.h"
#include "app/form1.h"
#include "platform/ansi.h"
#include "platform/system.h"
#include "platform/system_platform.h"

namespace {

/// Ends the program with a usage error on the platform's own channel.
[[noreturn]] void usage_error(SystemPlatform& platform, const std::string& message) {
  platform.report("scenario-builder: " + message);
  platform.report("Usage: scenario-builder [FOLDER]");
  platform.end_program(exit_status::usage);
  std::abort();  // end_program never returns
}

}  // namespace

int main(int argc, char** argv) {
  SystemPlatform platform = SystemPlatform::for_executable(argc > 0 ? argv[0] : nullptr);
  const std::vector<std::string> arguments = os::utf8_arguments(argc, argv);
  if (arguments.size() > 1)
    usage_error(platform, "one folder at most, found '" + arguments[1] + "' as well");
  if (arguments.size() == 1) {
    const std::filesystem::path folder = path_from_utf8(arguments[0]);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
      usage_error(platform, arguments[0] + ": no such folder");
    platform.build_into(folder);
  }
  Form1 form(platform);
  form.Form_Load();  // ends the program itself
  return 0;
}
