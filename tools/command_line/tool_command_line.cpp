#include "tool_command_line.h"

#include <algorithm>
#include <string_view>
#include <system_error>
#include <variant>

#include "platform/ansi.h"
#include "scenario_names.h"

namespace fs = std::filesystem;

namespace {

/// The rows every tool shares; the tool's own rows come between the names
/// and help/version in its help.
constexpr ToolOption kNameOptions[] = {
    {{'l', "line", true, kLineOption}, "NAME", "line name"},
    {{'t', "train", true, kTrainOption}, "NUMBER",
     "train number\n(both default to the names of the folder's one scenario)"},
};
constexpr ToolOption kEndingOptions[] = {
    {{'h', "help", false, kHelpOption}, nullptr, "print this help and end"},
    {{'V', "version", false, kVersionOption}, nullptr, "print the version and end"},
};

/// What makes a scenario in the folder, for the message that finds none.
const char* what_makes_a_scenario(ScenarioFiles files) {
  return files == ScenarioFiles::descriptions
             ? "line description <line>_linea.txt with a train description <line>_<train>-.txt"
             : "service file <line>_<train>.sim with its grid file <line>_<train>.dat";
}

constexpr size_t kHelpColumn = 23;

void append_option_help(std::string& help, const ToolOption& option) {
  std::string left = "  ";
  left += option.rule.short_name != 0 ? std::string{'-', option.rule.short_name} + ", " : "    ";
  left += std::string("--") + option.rule.long_name;
  if (option.value != nullptr) left += std::string(" ") + option.value;
  left.resize(std::max(left.size() + 1, kHelpColumn), ' ');
  std::string_view text = option.help;
  for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    help += left + std::string(text.substr(0, end)) + "\n";
    left.assign(kHelpColumn, ' ');
    text.remove_prefix(end + 1);
  }
  help += left + std::string(text) + "\n";
}

void append_status_help(std::string& help, int status, std::string_view text) {
  help += "  " + std::to_string(status) + "  ";
  for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    help += std::string(text.substr(0, end)) + "\n     ";
    text.remove_prefix(end + 1);
  }
  help += std::string(text) + "\n";
}

/// A name as a shell takes it back whole: quoted when it holds anything
/// but letters, digits and "_-.+", so that a listed line can be pasted.
std::string shell_word(const std::string& name) {
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_-.+").find(c) != std::string_view::npos;
  });
  if (plain) return name;
  std::string word = "'";
  for (char c : name) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

std::string quoted(const fs::path& folder) { return "'" + utf8_of_path(folder) + "'"; }

class Reader {
 public:
  Reader(const ToolDescription& tool, std::ostream& out, std::ostream& err)
      : tool_(tool), out_(out), err_(err) {}

  ToolRun read(int argc, const char* const* argv);

 private:
  std::vector<OptionRule> rules() const;
  bool take(const FoundOption& option, ToolCommandLine& line, ToolRun& ending);
  void set_folder(const std::string& utf8, ToolCommandLine& line);
  bool check_names(const ToolCommandLine& line, bool line_given, bool train_given) const;
  bool find_names(ToolCommandLine& line, bool line_given, bool train_given) const;
  ToolRun fail(const std::string& message) const {
    return {std::nullopt, usage_error(tool_, err_, message)};
  }
  void complain(const std::string& message) const { err_ << tool_.name << ": " << message << '\n'; }

  const ToolDescription& tool_;
  std::ostream& out_;
  std::ostream& err_;
  bool folder_given_ = false;
  std::string second_folder_;
};

std::vector<OptionRule> Reader::rules() const {
  std::vector<OptionRule> all;
  for (const ToolOption& o : kNameOptions) all.push_back(o.rule);
  for (const ToolOption& o : tool_.own_options) all.push_back(o.rule);
  for (const ToolOption& o : kEndingOptions) all.push_back(o.rule);
  return all;
}

void Reader::set_folder(const std::string& utf8, ToolCommandLine& line) {
  if (folder_given_) {
    if (second_folder_.empty()) second_folder_ = utf8;
    return;
  }
  folder_given_ = true;
  line.folder = path_from_utf8(utf8);
}

/// One option; false with `ending` set when the run ends with it (help, version).
bool Reader::take(const FoundOption& option, ToolCommandLine& line, ToolRun& ending) {
  switch (option.id) {
    case kLineOption: line.line = option.value; return true;
    case kTrainOption: line.train = option.value; return true;
    case kFolderOption: set_folder(option.value, line); return true;
    case kHelpOption: out_ << tool_help(tool_); ending = {std::nullopt, tool_status::success}; return false;
    case kVersionOption:
      out_ << tool_.name << ' ' << tool_.version << '\n';
      ending = {std::nullopt, tool_status::success};
      return false;
    default: line.own.push_back(option); return true;
  }
}

bool Reader::check_names(const ToolCommandLine& line, bool line_given, bool train_given) const {
  bool good = true;
  const struct {
    bool given;
    const std::string& name;
    const char* what;
    NameRole role;
  } names[] = {{line_given, line.line, "line name", NameRole::line},
               {train_given, line.train, "train number", NameRole::train}};
  for (const auto& n : names) {
    if (!n.given) continue;
    const auto checked = check_name(n.name, n.what);
    if (const auto* no = std::get_if<RejectedName>(&checked)) {
      complain("bad " + no->reason);
      if (const auto hint = name_hint(n.name, n.role)) complain("hint: " + *hint);
      good = false;
    }
  }
  return good;
}

/// Fills in the names not given from the one scenario of the folder that
/// agrees with the names given.
bool Reader::find_names(ToolCommandLine& line, bool line_given, bool train_given) const {
  std::vector<ScenarioNames> found = scenarios_in(line.folder, tool_.reads);
  std::erase_if(found, [&](const ScenarioNames& s) {
    return (line_given && s.line != line.line) || (train_given && s.train != line.train);
  });
  if (found.size() == 1) {
    line.line = found[0].line;
    line.train = found[0].train;
    return true;
  }
  std::string of;
  if (line_given) of += " of line '" + line.line + "'";
  if (train_given) of += std::string(line_given ? " and" : " of") + " train '" + line.train + "'";
  if (found.empty()) {
    complain("no scenario" + of + " in " + quoted(line.folder) + ": it holds no " +
             what_makes_a_scenario(tool_.reads));
    return false;
  }
  complain(quoted(line.folder) + " holds " + std::to_string(found.size()) + " scenarios" + of +
           "; choose one with --line and --train:");
  for (const ScenarioNames& s : found)
    err_ << "  --line " << shell_word(s.line) << " --train " << shell_word(s.train) << '\n';
  return false;
}

ToolRun Reader::read(int argc, const char* const* argv) {
  const std::vector<OptionRule> all = rules();
  const ParsedCommandLine parsed = parse_command_line(argc, argv, all);
  ToolCommandLine line;
  bool line_given = false, train_given = false;
  for (const FoundOption& option : parsed.options) {
    ToolRun ending;
    if (!take(option, line, ending)) return ending;
    line_given |= option.id == kLineOption;
    train_given |= option.id == kTrainOption;
  }
  if (parsed.error == OptionError::missing_value)
    return fail("option '" + parsed.argument + "' needs a value");
  if (parsed.error == OptionError::unknown_option)
    return fail("unknown option '" + parsed.argument + "'");
  for (const std::string& operand : parsed.operands) set_folder(operand, line);
  if (!second_folder_.empty())
    return fail("one folder at most, found '" + second_folder_ + "' as well");
  std::error_code ec;
  if (!fs::is_directory(line.folder, ec)) {
    complain(utf8_of_path(line.folder) + ": no such folder");
    return {std::nullopt, tool_status::usage};
  }
  if (!check_names(line, line_given, train_given)) return {std::nullopt, tool_status::usage};
  line.names_found = !line_given || !train_given;
  if (line.names_found && !find_names(line, line_given, train_given))
    return {std::nullopt, tool_status::usage};
  return {std::move(line), tool_status::success};
}

}  // namespace

std::string tool_help(const ToolDescription& tool) {
  std::string help = std::string("Usage: ") + tool.name + " [OPTIONS] [FOLDER]\n" + tool.purpose +
                     "\n"
                     "  FOLDER               the scenario's folder (default: the current folder)\n";
  for (const ToolOption& o : kNameOptions) append_option_help(help, o);
  for (const ToolOption& o : tool.own_options) append_option_help(help, o);
  for (const ToolOption& o : kEndingOptions) append_option_help(help, o);
  help += "\nExit status:\n  0  done, nothing wrong\n";
  append_status_help(help, 1, tool.fault);
  append_status_help(help, 2,
                     "a usage error: a bad option or name, a missing folder or input file,\n"
                     "no scenario in the folder or several");
  append_status_help(help, 3, tool.failure);
  return help;
}

int usage_error(const ToolDescription& tool, std::ostream& err, const std::string& message) {
  err << tool.name << ": " << message << "\nTry '" << tool.name << " --help' for more information.\n";
  return tool_status::usage;
}

ToolRun read_tool_command_line(int argc, const char* const* argv, const ToolDescription& tool,
                               std::ostream& out, std::ostream& err) {
  return Reader(tool, out, err).read(argc, argv);
}
