#include "compile_cli.h"

#include <optional>
#include <string>

#include "app/error_codes.h"
#include "command_line.h"
#include "platform/ansi.h"
#include "session.h"

namespace {

constexpr const char* kUsage =
    "Usage: scenario-compile [OPTIONS] [SOURCE_FOLDER]\n"
    "Compiles the line description <line>_linea.txt and the train description\n"
    "<line>_<train>-.txt of SOURCE_FOLDER (default: the current folder) into the\n"
    "simulator's files <line>_linea.dat, <line>_<train>.sim and <line>_<train>.dat.\n"
    "The description files are only read, never changed.\n"
    "\n"
    "  -l, --line NAME      line name (default Valdarco_Lornese)\n"
    "  -t, --train NUMBER   train number (default 4158)\n"
    "  -o, --output DIR     folder that receives the compiled files\n"
    "                       (default: the source folder)\n"
    "  -c, --check          compile and report, write nothing\n"
    "      --write-on-error write the compiled files even when the build records\n"
    "                       an error code (otherwise a failed build writes nothing)\n"
    "      --strict         fail the run on any warning: status 1, nothing written\n"
    "      --encoding ENC   read the description files as cp1252 or utf-8\n"
    "                       (default: utf-8 when they are valid UTF-8 holding\n"
    "                       non-ASCII characters, else cp1252)\n"
    "  -h, --help           print this help and end\n"
    "  -V, --version        print the version and end\n"
    "\n"
    "Exit status: 0 clean; 1 the build recorded an error code, a description\n"
    "file holds text Windows-1252 cannot hold, or (--strict) a warning; 2 a\n"
    "usage or input error; 3 a guard (codes 1250, 1251) or a file failure.\n";

constexpr const char* kTryHelp = "Try 'scenario-compile --help' for more information.\n";

enum OptionId { kLine, kTrain, kOutput, kCheck, kWriteOnError, kStrict, kEncoding, kHelp, kVersion };

constexpr OptionRule kOptions[] = {
    {'l', "line", true, kLine},
    {'t', "train", true, kTrain},
    {'o', "output", true, kOutput},
    {'c', "check", false, kCheck},
    {0, "write-on-error", false, kWriteOnError},
    {0, "strict", false, kStrict},
    {0, "encoding", true, kEncoding},
    {'h', "help", false, kHelp},
    {'V', "version", false, kVersion},
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

int usage_error(std::ostream& messages, const std::string& text) {
  messages << "scenario-compile: " << text << '\n' << kTryHelp;
  return exit_status::usage;
}

}  // namespace

int run_compile(int argc, char** argv, std::ostream& output, std::ostream& messages) {
  const ParsedCommandLine riga = parse_command_line(argc, argv, kOptions);
  Request request;
  for (const FoundOption& o : riga.options) {
    switch (o.id) {
      case kLine:
        request.line = o.value;
        break;
      case kTrain:
        request.train = o.value;
        break;
      case kOutput:
        request.output = path_from_utf8(o.value);
        break;
      case kCheck:
        request.check_only = true;
        break;
      case kWriteOnError:
        request.write_on_error = true;
        break;
      case kStrict:
        request.strict = true;
        break;
      case kEncoding:
        if (const auto encoding = encoding_named(o.value)) {
          request.encoding = *encoding;
          break;
        }
        return usage_error(messages, "unknown encoding '" + o.value + "' (cp1252 or utf-8)");
      case kHelp:
        output << kUsage;
        return exit_status::clean;
      case kVersion:
        output << "scenario-compile " << SCENARIO_VERSION << '\n';
        return exit_status::clean;
    }
  }
  if (riga.error == OptionError::missing_value)
    return usage_error(messages, "option '" + riga.argument + "' needs a value");
  if (riga.error == OptionError::unknown_option)
    return usage_error(messages, "unknown option '" + riga.argument + "'");
  if (riga.operands.size() > 1)
    return usage_error(messages, "one source folder at most, found '" + riga.operands[1] +
                                    "' as well");
  if (!riga.operands.empty()) request.source = path_from_utf8(riga.operands[0]);
  return compile_scenario(request, messages);
}
