#include "cli.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "command_line.h"
#include "decode.h"
#include "model/file_names.h"
#include "platform/ansi.h"
#include "render.h"
#include "report.h"
#include "scenario.h"

#ifndef SCENARIO_INSPECT_VERSION
#define SCENARIO_INSPECT_VERSION "0"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: scenario-inspect [OPTION]...\n"
    "Check a compiled scenario (grid, service and line data files) and show what it holds.\n"
    "\n"
    "  -d, --folder DIR   folder that holds the files (default: the current folder)\n"
    "  -l, --line NAME    line name (default: Valdarco_Lornese)\n"
    "  -t, --train NUM    train number (default: 4158)\n"
    "      --json         write the whole decoded scenario as JSON instead of the summary\n"
    "      --html FILE    also write a self-contained HTML page with a map and a profile\n"
    "      --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "Files read: LINE_TRAIN.dat (grid), LINE_TRAIN.sim (service) and, when present,\n"
    "LINE_linea.dat (line data).\n"
    "Exit status: 0 valid, 1 a marker or check code is wrong, 2 usage error,\n"
    "3 a file is missing, unreadable or corrupt.\n";

struct Options {
  fs::path folder = ".";
  std::string line = kDefaultLineName;  // UTF-8 as typed
  std::string train = kDefaultTrainNumber;
  bool json = false;
  std::optional<fs::path> html;
  bool help = false, version = false;
};

enum OptionId { kFolder, kLine, kTrain, kJson, kHtml, kHelp, kVersion };

constexpr OptionRule kOptions[] = {
    {'d', "folder", true, kFolder},
    {'l', "line", true, kLine},
    {'t', "train", true, kTrain},
    {0, "json", false, kJson},
    {0, "html", true, kHtml},
    {0, "help", false, kHelp},
    {0, "version", false, kVersion},
};

/// Parses the options; nothing when they are wrong (the message is on err).
std::optional<Options> read_options(int argc, char** argv, std::ostream& err) {
  const ParsedCommandLine riga = parse_command_line(argc, argv, kOptions);
  Options o;
  for (const FoundOption& f : riga.options) {
    switch (f.id) {
      case kFolder: o.folder = path_from_utf8(f.value); break;
      case kLine: o.line = f.value; break;
      case kTrain: o.train = f.value; break;
      case kJson: o.json = true; break;
      case kHtml: o.html = path_from_utf8(f.value); break;
      case kHelp: o.help = true; break;
      case kVersion: o.version = true; break;
    }
  }
  if (riga.error == OptionError::missing_value) {
    err << "scenario-inspect: option " << riga.argument << " needs a value\n";
    return std::nullopt;
  }
  if (riga.error == OptionError::unknown_option) {
    err << "scenario-inspect: unknown option " << riga.argument << "\n";
    return std::nullopt;
  }
  if (!riga.operands.empty()) {
    err << "scenario-inspect: unexpected argument " << riga.operands[0] << "\n";
    return std::nullopt;
  }
  return o;
}

/// The whole file, or nothing when it does not exist; `errore` is set when
/// it exists but cannot be read.
std::optional<std::string> read_file(const fs::path& file, std::string& errore) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  if (in) s << in.rdbuf();
  if (!in || in.bad()) {
    errore = file.string() + ": cannot be read: " + std::strerror(errno);
    return std::nullopt;
  }
  return s.str();
}

bool write_file(const fs::path& file, const std::string& text, std::ostream& err) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    err << "scenario-inspect: " << file.string() << ": cannot be written\n";
    return false;
  }
  return true;
}

int inspect(const Options& o, std::ostream& out, std::ostream& err) {
  // File names are formed from the names as the builder holds them: Windows-1252.
  const auto line = utf8_to_cp1252(o.line), train = utf8_to_cp1252(o.train);
  if (!line || !train) {
    err << "scenario-inspect: the line name and the train number must be Windows-1252 text\n";
    return exit_status::usage;
  }
  const auto nome = [&](ScenarioFile f) {
    return file_in_folder(o.folder, scenario_file_name(f, *line, *train));
  };
  const fs::path grid = nome(ScenarioFile::grid);
  const fs::path service = nome(ScenarioFile::service);
  const fs::path line_dat = nome(ScenarioFile::line_data);

  std::string errore;
  const auto service_read = read_file(service, errore);
  const auto grid_read = errore.empty() ? read_file(grid, errore) : std::nullopt;
  const auto line_read = errore.empty() ? read_file(line_dat, errore) : std::nullopt;
  if (errore.empty() && !service_read) errore = service.string() + ": no such file";
  if (errore.empty() && !grid_read) errore = grid.string() + ": no such file";
  if (!errore.empty()) {
    err << "scenario-inspect: " << errore << "\n";
    return exit_status::bad_file;
  }

  ScenarioBytes bytes{*grid_read, grid.string(), *service_read, service.string(), std::nullopt,
                      line_dat.string()};
  if (line_read) bytes.line = *line_read;
  const Read<Scenario> read_value = read_scenario(bytes);
  if (!read_value.ok()) {
    err << "scenario-inspect: " << read_value.error().message() << "\n";
    return exit_status::bad_file;
  }
  const Scenario& s = read_value.value();
  // The check codes follow the names inside the records; files renamed by
  // hand keep codes that no longer match their names.
  if (s.nome_linea() != *line || s.numero_treno() != *train)
    err << "scenario-inspect: warning: the records name line \"" << cp1252_to_utf8(s.nome_linea())
        << "\" and train \"" << cp1252_to_utf8(s.numero_treno()) << "\", the files \"" << o.line
        << "\" and \"" << o.train << "\"\n";
  const Decoded d = decode(s);
  const Summary r = compose_summary(s, d);
  out << (o.json ? render_json(s, d) : render_summary(r));
  if (o.html && !write_file(*o.html, render_html(s, d, r), err)) return exit_status::bad_file;
  if (!s.checks.valid_ones()) {
    err << "scenario-inspect: the markers or check codes are not valid\n";
    return exit_status::check_failed;
  }
  return exit_status::valid;
}

}  // namespace

int run_inspect(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const auto o = read_options(argc, argv, err);
  if (!o) {
    err << "Try 'scenario-inspect --help'.\n";
    return exit_status::usage;
  }
  if (o->help) {
    out << kUsage;
    return exit_status::valid;
  }
  if (o->version) {
    out << "scenario-inspect " << SCENARIO_INSPECT_VERSION << "\n";
    return exit_status::valid;
  }
  return inspect(*o, out, err);
}
