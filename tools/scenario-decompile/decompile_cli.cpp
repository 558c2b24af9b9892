#include "decompile_cli.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/error_codes.h"
#include "command_line.h"
#include "decompile.h"
#include "model/file_names.h"
#include "output/scenario_reader.h"
#include "platform/ansi.h"
#include "platform/system_platform.h"

#ifndef SCENARIO_VERSION
#define SCENARIO_VERSION "0"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: scenario-decompile [OPTIONS] [FOLDER]\n"
    "Gives back the description files <line>_linea.txt and <line>_<train>-.txt of\n"
    "the compiled scenario <line>_linea.dat, <line>_<train>.sim, <line>_<train>.dat\n"
    "in FOLDER (default: the current folder). Before writing, the recovered files\n"
    "are compiled in memory and must give the very same bytes.\n"
    "\n"
    "  -l, --line NAME      line name (default: from the folder's one scenario)\n"
    "  -t, --train NUMBER   train number (default: from the folder's one scenario)\n"
    "  -o, --output DIR     folder that receives the description files, created\n"
    "                       when missing (default: FOLDER)\n"
    "      --no-verify      write without compiling the recovered files back\n"
    "  -h, --help           print this help and end\n"
    "  -V, --version        print the version and end\n"
    "\n"
    "Exit status: 0 written; 1 the recovered files do not compile back to the same\n"
    "bytes (nothing written); 2 a usage or input error; 3 a corrupt compiled file\n"
    "or a file failure.\n";

constexpr const char* kTryHelp = "Try 'scenario-decompile --help' for more information.\n";

enum OptionId { kLine, kTrain, kOutput, kNoVerify, kHelp, kVersion };

constexpr OptionRule kOptions[] = {
    {'l', "line", true, kLine},
    {'t', "train", true, kTrain},
    {'o', "output", true, kOutput},
    {0, "no-verify", false, kNoVerify},
    {'h', "help", false, kHelp},
    {'V', "version", false, kVersion},
};

struct Request {
  fs::path folder = ".";
  std::optional<fs::path> output;
  std::optional<std::string> line, train;  ///< UTF-8, as typed
  bool verify = true;
};

class Run {
 public:
  Run(const Request& r, std::ostream& messages) : r_(r), out_(messages) {}
  int run();

 private:
  bool find_names();
  int read(std::string& bytes, ScenarioFile file, bool required);
  int say(int status, const std::string& text) const {
    out_ << "scenario-decompile: " << text << '\n';
    return status;
  }
  fs::path compiled(ScenarioFile file) const {
    return file_in_folder(r_.folder, scenario_file_name(file, line_, train_));
  }

  const Request& r_;
  std::ostream& out_;
  std::string line_, train_;  ///< Windows-1252
};

/// A name of the records that can name a file of the output folder.
bool usable_name(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return false;
  for (const char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

// The service files of the folder tell its scenarios. Without names the
// folder must hold one; a name given alone picks the one scenario that has it.
bool Run::find_names() {
  const auto typed = [&](const std::optional<std::string>& name, std::string& into, const char* what) {
    if (!name) return true;
    const auto cp1252 = utf8_to_cp1252(*name);
    if (!cp1252 || cp1252->empty()) {
      say(0, std::string("bad ") + what + " '" + *name + "': not Windows-1252 text");
      return false;
    }
    into = *cp1252;
    return true;
  };
  if (!typed(r_.line, line_, "line name") || !typed(r_.train, train_, "train number")) return false;
  if (r_.line && r_.train) return true;
  std::vector<std::pair<std::string, std::string>> found;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(r_.folder, ec)) {
    const auto name = utf8_to_cp1252(utf8_of_path(entry.path().filename()));
    const std::string suffix = ".sim";
    if (!name || name->size() <= suffix.size() || name->compare(name->size() - 4, 4, suffix) != 0)
      continue;
    const std::string stem = name->substr(0, name->size() - suffix.size());
    // Where the typed name does not settle the split, the records do.
    SystemPlatform reader(r_.folder);
    std::string line, train;
    if (r_.line && stem.rfind(line_ + "_", 0) == 0) {
      line = line_;
      train = stem.substr(line_.size() + 1);
    } else if (r_.train && stem.size() > train_.size() &&
               stem.compare(stem.size() - train_.size() - 1, std::string::npos, "_" + train_) == 0) {
      line = stem.substr(0, stem.size() - train_.size() - 1);
      train = train_;
    } else if (!r_.line && !r_.train) {
      try {
        const auto voci = read_records(reader.read_file(entry.path()), "");
        if (!voci.ok()) continue;
        line = voci.value()[fixed_record::line].nome;
        train = voci.value()[fixed_record::train].nome;
      } catch (const FileError&) {
        continue;
      }
      if (scenario_stem(line, train) != stem) continue;
    } else {
      continue;
    }
    found.emplace_back(line, train);
  }
  if (found.size() == 1) {
    std::tie(line_, train_) = found.front();
    return true;
  }
  if (found.empty()) {
    say(0, utf8_of_path(r_.folder) + ": no compiled scenario found; name it with -l and -t");
    return false;
  }
  std::sort(found.begin(), found.end());
  std::string names;
  for (const auto& [line, train] : found)
    names += (names.empty() ? "" : ", ") + cp1252_to_utf8(scenario_stem(line, train));
  say(0, utf8_of_path(r_.folder) + " holds several scenarios (" + names +
             "); name one with -l and -t");
  return false;
}

int Run::read(std::string& bytes, ScenarioFile file, bool required) {
  const fs::path path = compiled(file);
  SystemPlatform reader(r_.folder);
  if (!reader.file_exists(path)) {
    if (required) return say(exit_status::usage, utf8_of_path(path) + ": no such file");
    return -1;
  }
  bytes = reader.read_file(path);
  return exit_status::clean;
}

int Run::run() {
  std::error_code ec;
  if (!fs::is_directory(r_.folder, ec))
    return say(exit_status::usage, utf8_of_path(r_.folder) + ": no such folder");
  if (!find_names()) {
    out_ << kTryHelp;
    return exit_status::usage;
  }
  OriginalFiles files;
  files.grid_name = utf8_of_path(compiled(ScenarioFile::grid));
  files.service_name = utf8_of_path(compiled(ScenarioFile::service));
  files.line_data_name = utf8_of_path(compiled(ScenarioFile::line_data));
  try {
    if (const int status = read(files.service, ScenarioFile::service, true)) return status;
    if (const int status = read(files.grid, ScenarioFile::grid, true)) return status;
    std::string line_data;
    if (read(line_data, ScenarioFile::line_data, false) == exit_status::clean)
      files.line_data = std::move(line_data);
  } catch (const FileError& e) {
    return say(exit_status::fatal, e.what());
  }

  ScenarioBytes bytes{files.grid, files.grid_name, files.service, files.service_name,
                      std::nullopt, files.line_data_name};
  if (files.line_data) bytes.line = *files.line_data;
  const Read<Scenario> read_value = read_scenario(bytes);
  if (!read_value.ok()) return say(exit_status::fatal, read_value.error().message());
  const Scenario& s = read_value.value();

  // The compiled files carry the names the check codes follow; the
  // description files take them, so that they compile back to the same bytes.
  const std::string line = s.nome_linea(), train = s.numero_treno();
  if (!usable_name(line) || !usable_name(train))
    return say(exit_status::fatal, files.service_name + ": the names in records 85 and 86 (\"" +
                                       cp1252_to_utf8(line) + "\", \"" + cp1252_to_utf8(train) +
                                       "\") cannot name a description file");
  if (line != line_ || train != train_)
    say(0, "warning: the records name line \"" + cp1252_to_utf8(line) + "\" and train \"" +
               cp1252_to_utf8(train) + "\": the description files take these names");

  const Decompiled d = decompile(s, files, r_.verify);
  for (const std::string& w : d.warnings) say(0, "warning: " + w);
  if (d.error) {
    for (const std::string& p : d.problems) say(0, "note: " + p);
    return say(exit_status::recorded_code, "error: " + *d.error + "; nothing written");
  }

  const fs::path output = r_.output.value_or(r_.folder);
  try {
    fs::create_directories(output, ec);
    if (ec && !fs::is_directory(output))
      return say(exit_status::fatal, utf8_of_path(output) + ": cannot create the folder: " + ec.message());
    SystemPlatform writer(output);
    const NewFile written[] = {
        {file_in_folder(output, scenario_file_name(ScenarioFile::line_description, line, train)),
         d.line_text},
        {file_in_folder(output, scenario_file_name(ScenarioFile::train_description, line, train)),
         d.train_text},
    };
    writer.replace_files(written);
  } catch (const FileError& e) {
    return say(exit_status::fatal, e.what());
  }
  return exit_status::clean;
}

}  // namespace

int run_decompile(int argc, char** argv, std::ostream& output, std::ostream& messages) {
  const ParsedCommandLine riga = parse_command_line(argc, argv, kOptions);
  Request request;
  for (const FoundOption& o : riga.options) {
    switch (o.id) {
      case kLine: request.line = o.value; break;
      case kTrain: request.train = o.value; break;
      case kOutput: request.output = path_from_utf8(o.value); break;
      case kNoVerify: request.verify = false; break;
      case kHelp:
        output << kUsage;
        return exit_status::clean;
      case kVersion:
        output << "scenario-decompile " << SCENARIO_VERSION << '\n';
        return exit_status::clean;
    }
  }
  const auto usage_error = [&](const std::string& text) {
    messages << "scenario-decompile: " << text << '\n' << kTryHelp;
    return exit_status::usage;
  };
  if (riga.error == OptionError::missing_value)
    return usage_error("option '" + riga.argument + "' needs a value");
  if (riga.error == OptionError::unknown_option)
    return usage_error("unknown option '" + riga.argument + "'");
  if (riga.operands.size() > 1)
    return usage_error("one folder at most, found '" + riga.operands[1] + "' as well");
  if (!riga.operands.empty()) request.folder = path_from_utf8(riga.operands[0]);
  return Run(request, messages).run();
}
