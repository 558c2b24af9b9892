#include "compile_cli.h"

#include <optional>
#include <string>
#include <system_error>

#include "app/error_codes.h"
#include "platform/ansi.h"
#include "session.h"
#include "tool_command_line.h"
#include "watch.h"

namespace fs = std::filesystem;

// The session returns the builder's statuses; the tools promise the same
// numbers for the same kinds of failure.
static_assert(exit_status::clean == tool_status::success &&
              exit_status::recorded_code == tool_status::scenario_fault &&
              exit_status::usage == tool_status::usage && exit_status::fatal == tool_status::failure);

namespace {

enum OptionId { kOutput, kCheck, kWriteOnError, kStrict, kEncoding, kWatch, kHtml };

constexpr ToolOption kOptions[] = {
    {{'o', "output", true, kOutput}, "DIR",
     "folder that receives the compiled files, created when\nmissing (default: FOLDER)"},
    {{'c', "check", false, kCheck}, nullptr, "compile and report, write nothing"},
    {{0, "write-on-error", false, kWriteOnError}, nullptr,
     "write the compiled files even when the build records\nan error code (otherwise a failed build writes nothing)"},
    {{0, "strict", false, kStrict}, nullptr, "fail the run on any warning: status 1, nothing written"},
    {{0, "encoding", true, kEncoding}, "ENC",
     "read the description files as cp1252 or utf-8\n(default: utf-8 when they are valid UTF-8 holding\nnon-ASCII characters, else cp1252)"},
    {{'w', "watch", false, kWatch}, nullptr,
     "compile again whenever a description file changes,\nuntil Ctrl-C"},
    {{0, "html", true, kHtml}, "FILE",
     "after each compilation, write the inspector's page of\nthe compiled files to FILE"},
};

constexpr ToolDescription kTool = {
    "scenario-compile",
    SCENARIO_VERSION,
    "Compiles the line description <line>_linea.txt and the train description\n"
    "<line>_<train>-.txt of FOLDER into the simulator's files <line>_linea.dat,\n"
    "<line>_<train>.sim and <line>_<train>.dat. The description files are only\n"
    "read, never changed.\n",
    ScenarioFiles::descriptions,
    kOptions,
    "the build recorded an error code or wrote no compiled file, a description\n"
    "file holds text Windows-1252 cannot hold, or (--strict) a warning",
    "a file could not be read or written, or a guard (codes 1250, 1251)\n"
    "stopped the build",
};

/// The names --encoding takes, whatever their case.
struct EncodingName {
  const char* name;
  TextEncoding encoding;
};
constexpr EncodingName kEncodings[] = {
    {"cp1252", TextEncoding::cp1252},
    {"windows-1252", TextEncoding::cp1252},
    {"utf-8", TextEncoding::utf8},
    {"utf8", TextEncoding::utf8},
};

std::optional<TextEncoding> encoding_named(const std::string& name) {
  const std::string lower = lowercase(name);
  for (const EncodingName& e : kEncodings)
    if (lower == e.name) return e.encoding;
  return std::nullopt;
}

/// The output folder is created when it is missing, once the description
/// files are there to compile (a misspelt name leaves no empty folder).
int make_output_folder(const Request& request, std::ostream& messages) {
  if (request.check_only || !request.output) return tool_status::success;
  std::error_code ec;
  for (const ScenarioFile file : kDescriptionFiles) {
    const std::optional<fs::path> description = scenario_file(request, file, request.source);
    if (!description || !fs::is_regular_file(*description, ec)) return tool_status::success;
  }
  if (fs::is_directory(*request.output, ec)) return tool_status::success;
  fs::create_directories(*request.output, ec);
  if (ec) {
    messages << kTool.name << ": " << utf8_of_path(*request.output)
             << ": cannot create the output folder: " << ec.message() << '\n';
    return tool_status::failure;
  }
  return tool_status::success;
}

}  // namespace

int run_compile(int argc, char** argv, std::ostream& output, std::ostream& messages,
                const WatchControl* watch_control) {
  const ToolRun run = read_tool_command_line(argc, argv, kTool, output, messages);
  if (!run.command_line) return run.status;
  const ToolCommandLine& riga = *run.command_line;
  Request request;
  request.source = riga.folder;
  request.line = riga.line;
  request.train = riga.train;
  bool watch = false;
  std::optional<fs::path> page;
  for (const FoundOption& o : riga.own) {
    switch (o.id) {
      case kOutput: request.output = path_from_utf8(o.value); break;
      case kCheck: request.check_only = true; break;
      case kWriteOnError: request.write_on_error = true; break;
      case kStrict: request.strict = true; break;
      case kEncoding:
        if (const auto encoding = encoding_named(o.value)) {
          request.encoding = *encoding;
          break;
        }
        return usage_error(kTool, messages, "unknown encoding '" + o.value + "' (cp1252 or utf-8)");
      case kWatch: watch = true; break;
      case kHtml: page = path_from_utf8(o.value); break;
    }
  }
  if (page && request.check_only)
    return usage_error(kTool, messages, "--html shows the compiled files, which --check does not write");
  if (const int status = make_output_folder(request, messages); status != tool_status::success)
    return status;
  if (!watch) return compile_and_show(request, page, messages, false);
  return watch_scenario(request, page, messages,
                        watch_control != nullptr ? *watch_control : console_watch_control());
}
