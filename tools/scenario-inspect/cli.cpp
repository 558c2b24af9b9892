#include "cli.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "decode.h"
#include "model/file_names.h"
#include "platform/ansi.h"
#include "render.h"
#include "report.h"
#include "scenario.h"

namespace fs = std::filesystem;

namespace {

enum OptionId { kJson, kHtml };

constexpr ToolOption kOptions[] = {
    {{'d', "folder", true, kFolderOption}, "DIR", "the same as FOLDER"},
    {{0, "json", false, kJson}, nullptr, "write the whole decoded scenario as JSON instead of\nthe summary"},
    {{0, "html", true, kHtml}, "FILE", "also write a self-contained HTML page with a map and\na profile"},
};

constexpr ToolDescription kTool = {
    "scenario-inspect",
    SCENARIO_VERSION,
    "Checks a compiled scenario and shows what it holds. Reads <line>_<train>.dat\n"
    "(grid), <line>_<train>.sim (service) and, when present, <line>_linea.dat\n"
    "(line data) of FOLDER.\n",
    ScenarioFiles::compiled,
    kOptions,
    "a marker or check code is wrong",
    "a file could not be read or written, or is corrupt",
};

struct Options {
  fs::path folder;
  std::string line, train;  // UTF-8 as typed or found
  bool json = false;
  std::optional<fs::path> html;
};

Options options_of(const ToolCommandLine& riga) {
  Options o{riga.folder, riga.line, riga.train, false, std::nullopt};
  for (const FoundOption& f : riga.own) {
    switch (f.id) {
      case kJson: o.json = true; break;
      case kHtml: o.html = path_from_utf8(f.value); break;
    }
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

/// A compiled scenario read and checked for structure, or the status and
/// message of why it could not be.
struct Loaded {
  std::optional<Scenario> scenario;
  int status = exit_status::valid;
  std::string error;
};

Loaded load(const fs::path& folder, std::string_view line_utf8, std::string_view train_utf8) {
  // File names are formed from the names as the builder holds them: Windows-1252.
  const auto line = utf8_to_cp1252(line_utf8), train = utf8_to_cp1252(train_utf8);
  if (!line || !train)
    return {std::nullopt, exit_status::usage, "the line name and the train number must be Windows-1252 text"};
  const auto nome = [&](ScenarioFile f) { return file_in_folder(folder, scenario_file_name(f, *line, *train)); };
  const fs::path grid = nome(ScenarioFile::grid);
  const fs::path service = nome(ScenarioFile::service);
  const fs::path line_dat = nome(ScenarioFile::line_data);

  std::string errore;
  const auto service_read = read_file(service, errore);
  const auto grid_read = errore.empty() ? read_file(grid, errore) : std::nullopt;
  const auto line_read = errore.empty() ? read_file(line_dat, errore) : std::nullopt;
  if (!errore.empty()) return {std::nullopt, exit_status::bad_file, errore};
  // A missing file is the input an author named wrongly, as for the compiler.
  if (!service_read) return {std::nullopt, exit_status::usage, service.string() + ": no such file"};
  if (!grid_read) return {std::nullopt, exit_status::usage, grid.string() + ": no such file"};

  ScenarioBytes bytes{*grid_read, grid.string(), *service_read, service.string(), std::nullopt,
                      line_dat.string()};
  if (line_read) bytes.line = *line_read;
  Read<Scenario> read_value = read_scenario(bytes);
  if (!read_value.ok()) return {std::nullopt, exit_status::bad_file, read_value.error().message()};
  return {std::move(read_value.value()), exit_status::valid, {}};
}

int inspect(const Options& o, std::ostream& out, std::ostream& err) {
  const Loaded loaded = load(o.folder, o.line, o.train);
  if (!loaded.scenario) {
    err << "scenario-inspect: " << loaded.error << "\n";
    return loaded.status;
  }
  const Scenario& s = *loaded.scenario;
  const std::string line = *utf8_to_cp1252(o.line), train = *utf8_to_cp1252(o.train);
  // The check codes follow the names inside the records; files renamed by
  // hand keep codes that no longer match their names.
  if (s.nome_linea() != line || s.numero_treno() != train)
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
  const ToolRun run = read_tool_command_line(argc, argv, kTool, out, err);
  if (!run.command_line) return run.status;
  return inspect(options_of(*run.command_line), out, err);
}

ScenarioPage scenario_page(const fs::path& folder, std::string_view line, std::string_view train,
                           int reload_seconds) {
  const Loaded loaded = load(folder, line, train);
  if (!loaded.scenario) return {std::nullopt, loaded.error};
  const Decoded d = decode(*loaded.scenario);
  return {render_html(*loaded.scenario, d, compose_summary(*loaded.scenario, d), reload_seconds), {}};
}
