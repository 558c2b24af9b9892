#include "decompile_cli.h"

#include <filesystem>
#include <optional>
#include <string>

#include "decompile.h"
#include "model/file_names.h"
#include "output/scenario_reader.h"
#include "platform/ansi.h"
#include "platform/system_platform.h"
#include "tool_command_line.h"

namespace fs = std::filesystem;

namespace {

enum OptionId { kOutput, kNoVerify };

constexpr ToolOption kOptions[] = {
    {{'o', "output", true, kOutput}, "DIR",
     "folder that receives the description files, created\nwhen missing (default: FOLDER)"},
    {{0, "no-verify", false, kNoVerify}, nullptr, "write without compiling the recovered files back"},
};

constexpr ToolDescription kTool = {
    "scenario-decompile",
    SCENARIO_VERSION,
    "Gives back the description files <line>_linea.txt and <line>_<train>-.txt of\n"
    "the compiled scenario <line>_linea.dat, <line>_<train>.sim, <line>_<train>.dat\n"
    "in FOLDER. Before writing, the recovered files are compiled in memory and must\n"
    "give the very same bytes.\n",
    ScenarioFiles::compiled,
    kOptions,
    "the recovered files do not compile back to the same bytes (nothing written)",
    "a file could not be read or written, or is corrupt",
};

struct Request {
  fs::path folder;
  std::optional<fs::path> output;
  std::string line, train;  ///< Windows-1252
  bool names_found = false;  ///< the names come from the folder's files, not from the user
  bool verify = true;
};

class Run {
 public:
  Run(const Request& r, std::ostream& messages) : r_(r), out_(messages) {}
  int run();

 private:
  int read(std::string& bytes, ScenarioFile file, bool required);
  int say(int status, const std::string& text) const {
    out_ << kTool.name << ": " << text << '\n';
    return status;
  }
  fs::path compiled(ScenarioFile file) const {
    return file_in_folder(r_.folder, scenario_file_name(file, r_.line, r_.train));
  }

  const Request& r_;
  std::ostream& out_;
};

/// A name of the records that can name a file of the output folder.
bool usable_name(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return false;
  for (const char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

int Run::read(std::string& bytes, ScenarioFile file, bool required) {
  const fs::path path = compiled(file);
  SystemPlatform reader(r_.folder);
  if (!reader.file_exists(path)) {
    if (required) return say(tool_status::usage, utf8_of_path(path) + ": no such file");
    return -1;
  }
  bytes = reader.read_file(path);
  return tool_status::success;
}

int Run::run() {
  OriginalFiles files;
  files.grid_name = utf8_of_path(compiled(ScenarioFile::grid));
  files.service_name = utf8_of_path(compiled(ScenarioFile::service));
  files.line_data_name = utf8_of_path(compiled(ScenarioFile::line_data));
  try {
    if (const int status = read(files.service, ScenarioFile::service, true)) return status;
    if (const int status = read(files.grid, ScenarioFile::grid, true)) return status;
    std::string line_data;
    if (read(line_data, ScenarioFile::line_data, false) == tool_status::success)
      files.line_data = std::move(line_data);
  } catch (const FileError& e) {
    return say(tool_status::failure, e.what());
  }

  ScenarioBytes bytes{files.grid, files.grid_name, files.service, files.service_name,
                      std::nullopt, files.line_data_name};
  if (files.line_data) bytes.line = *files.line_data;
  const Read<Scenario> read_value = read_scenario(bytes);
  if (!read_value.ok()) return say(tool_status::failure, read_value.error().message());
  const Scenario& s = read_value.value();

  // The compiled files carry the names the check codes follow; the
  // description files take them, so that they compile back to the same bytes.
  const std::string line = s.nome_linea(), train = s.numero_treno();
  if (!usable_name(line) || !usable_name(train))
    return say(tool_status::failure, files.service_name + ": the names in records 85 and 86 (\"" +
                                         cp1252_to_utf8(line) + "\", \"" + cp1252_to_utf8(train) +
                                         "\") cannot name a description file");
  // Names found in the folder split "<line>_<train>" at a guess where no
  // line data file settles it: the records settle it without a word.
  const bool named_as_found =
      r_.names_found && scenario_stem(line, train) == scenario_stem(r_.line, r_.train);
  if ((line != r_.line || train != r_.train) && !named_as_found)
    say(0, "warning: the records name line \"" + cp1252_to_utf8(line) + "\" and train \"" +
               cp1252_to_utf8(train) + "\": the description files take these names");

  const Decompiled d = decompile(s, files, r_.verify);
  for (const std::string& w : d.warnings) say(0, "warning: " + w);
  if (d.error) {
    for (const std::string& p : d.problems) say(0, "note: " + p);
    return say(tool_status::scenario_fault, "error: " + *d.error + "; nothing written");
  }

  const fs::path output = r_.output.value_or(r_.folder);
  std::error_code ec;
  try {
    fs::create_directories(output, ec);
    if (ec && !fs::is_directory(output))
      return say(tool_status::failure,
                 utf8_of_path(output) + ": cannot create the output folder: " + ec.message());
    SystemPlatform writer(output);
    const NewFile written[] = {
        {file_in_folder(output, scenario_file_name(ScenarioFile::line_description, line, train)),
         d.line_text},
        {file_in_folder(output, scenario_file_name(ScenarioFile::train_description, line, train)),
         d.train_text},
    };
    writer.replace_files(written);
  } catch (const FileError& e) {
    return say(tool_status::failure, e.what());
  }
  return tool_status::success;
}

}  // namespace

int run_decompile(int argc, char** argv, std::ostream& output, std::ostream& messages) {
  const ToolRun run = read_tool_command_line(argc, argv, kTool, output, messages);
  if (!run.command_line) return run.status;
  const ToolCommandLine& riga = *run.command_line;
  Request request;
  request.folder = riga.folder;
  request.names_found = riga.names_found;
  // A typed name has been checked; one found in the folder is a file name,
  // which may hold what the records cannot.
  const auto line = utf8_to_cp1252(riga.line), train = utf8_to_cp1252(riga.train);
  if (!line || !train)
    return usage_error(kTool, messages, "the line name and the train number must be Windows-1252 text");
  request.line = *line;
  request.train = *train;
  for (const FoundOption& o : riga.own) {
    switch (o.id) {
      case kOutput: request.output = path_from_utf8(o.value); break;
      case kNoVerify: request.verify = false; break;
    }
  }
  return Run(request, messages).run();
}
