#include "app/main_program.h"

#include <cstdlib>

#include "app/error_codes.h"
#include "app/form1.h"
#include "platform/ansi.h"

namespace {

/// Ends the program with a usage error on the platform's own channel.
[[noreturn]] void usage_error(Platform& platform, const std::string& message) {
  platform.report("scenario-builder: " + message);
  platform.report("Usage: scenario-builder [FOLDER]");
  platform.end_program(exit_status::usage);
  std::abort();  // end_program never returns
}

}  // namespace

void run_main_program(Platform& platform, const std::vector<std::string>& arguments) {
  if (arguments.size() > 1)
    usage_error(platform, "one folder at most, found '" + arguments[1] + "' as well");
  if (arguments.size() == 1 && !platform.build_into(path_from_utf8(arguments[0])))
    usage_error(platform, arguments[0] + ": no such folder");
  Form1 form(platform);
  form.Form_Load();  // ends the program itself
}
