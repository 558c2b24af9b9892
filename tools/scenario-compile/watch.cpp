#include "watch.h"

#include <array>
#include <csignal>
#include <ctime>
#include <sstream>
#include <system_error>
#include <variant>

#include "app/error_codes.h"
#include "cli.h"
#include "model/file_names.h"
#include "platform/ansi.h"
#include "platform/system.h"
#include "platform/system_platform.h"
#include "render.h"
#include "scenario_names.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kPollMilliseconds = 500;

/// Set by Ctrl-C; a signal handler may only store to such a flag.
volatile std::sig_atomic_t stop_signalled = 0;

extern "C" void on_stop_signal(int) { stop_signalled = 1; }

std::string local_time() {
  const std::time_t now = std::time(nullptr);
  // localtime's shared result is fine here: one thread asks for the time.
  const std::tm* parts = std::localtime(&now);
  char text[16] = "--:--:--";
  if (parts != nullptr) std::strftime(text, sizeof text, "%H:%M:%S", parts);
  return text;
}

/// What the watch compares of a description file between two looks.
struct FileState {
  bool present = false;
  fs::file_time_type modified{};
  std::uintmax_t size = 0;
  friend bool operator==(const FileState&, const FileState&) = default;
};

using Snapshot = std::array<FileState, std::size(kDescriptionFiles)>;

/// The two description files of the request; none when a name is bad (the
/// compilation reports that, and there is nothing to watch).
std::optional<std::array<fs::path, 2>> description_files(const Request& request) {
  std::array<fs::path, 2> files;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::optional<fs::path> file = scenario_file(request, kDescriptionFiles[i], request.source);
    if (!file) return std::nullopt;
    files[i] = *file;
  }
  return files;
}

FileState state_of(const std::optional<fs::path>& file) {
  FileState state;
  std::error_code ec;
  if (!file || !fs::is_regular_file(*file, ec)) return state;
  state.present = true;
  state.modified = fs::last_write_time(*file, ec);
  state.size = fs::file_size(*file, ec);
  return state;
}

/// The page shown when the run left no compiled scenario to show: its
/// messages, so that the browser shows what to mend.
std::string messages_page(const std::string& title, const std::string& text, int reload_seconds) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n" + reload_tag(reload_seconds) +
         "<title>" + html_text(title) + "</title>\n</head>\n<body>\n<h1>" + html_text(title) +
         "</h1>\n<pre>" + html_text(text) + "</pre>\n</body>\n</html>\n";
}

/// `written`: the run replaced the compiled files. When it did not (a
/// guard, no grid, --check), those of an earlier run may still be there,
/// and the page shows the run's messages instead of a scenario that is no
/// longer what the files say.
int write_page(const Request& request, const fs::path& page, const std::string& run_messages,
               bool written, bool reloading, std::ostream& messages) {
  const int reload = reloading ? kPageReloadSeconds : 0;
  const fs::path folder = request.output.value_or(request.source);
  ScenarioPage made = written ? scenario_page(folder, request.line, request.train, reload)
                              : ScenarioPage{std::nullopt, "no compiled file was written by this run"};
  const std::string html =
      made.html ? *made.html
                : messages_page(scenario_stem(request.line, request.train) + ": no compiled scenario to show",
                                run_messages + made.error + "\n", reload);
  try {
    SystemPlatform(page.parent_path()).replace_file(page, html);
  } catch (const FileError& e) {
    messages << "scenario-compile: " << e.what() << '\n';
    return exit_status::fatal;
  }
  return exit_status::clean;
}

Snapshot look_at(const std::array<fs::path, 2>& files) {
  Snapshot snapshot;
  for (size_t i = 0; i < files.size(); ++i) snapshot[i] = state_of(files[i]);
  return snapshot;
}

}  // namespace

std::optional<fs::path> scenario_file(const Request& request, ScenarioFile file, const fs::path& folder) {
  const auto line = check_name(request.line, ""), train = check_name(request.train, "");
  if (!std::holds_alternative<std::string>(line) || !std::holds_alternative<std::string>(train))
    return std::nullopt;
  return file_in_folder(folder, scenario_file_name(file, std::get<std::string>(line), std::get<std::string>(train)));
}

WatchControl console_watch_control() {
  stop_signalled = 0;
  std::signal(SIGINT, on_stop_signal);
  std::signal(SIGTERM, on_stop_signal);
  return {[] { os::pause_milliseconds(kPollMilliseconds); }, [] { return stop_signalled != 0; }, local_time};
}

int compile_and_show(const Request& request, const std::optional<fs::path>& page, std::ostream& messages,
                     bool reloading) {
  const std::optional<fs::path> service =
      scenario_file(request, ScenarioFile::service, request.output.value_or(request.source));
  const FileState before = state_of(service);
  std::ostringstream run_messages;
  const int status = compile_scenario(request, run_messages);
  messages << run_messages.str() << std::flush;
  if (!page) return status;
  const FileState after = state_of(service);
  const bool written = after.present && after != before;
  const int page_status = write_page(request, *page, run_messages.str(), written, reloading, messages);
  return page_status != exit_status::clean ? page_status : status;
}

int watch_scenario(const Request& request, const std::optional<fs::path>& page, std::ostream& messages,
                   const WatchControl& control) {
  const std::optional<std::array<fs::path, 2>> files = description_files(request);
  // The stamps stand on lines of their own around a run's messages, which
  // keep their "FILE:LINE:COLUMN: error: ..." shape for the editors that
  // read them.
  const auto run = [&] {
    messages << '[' << control.clock() << "] compiling " << scenario_stem(request.line, request.train) << '\n';
    const int status = compile_and_show(request, page, messages, true);
    messages << '[' << control.clock() << "] exit status " << status
             << (files ? ", waiting for a change (Ctrl-C ends)" : "") << '\n'
             << std::flush;
    return status;
  };
  Snapshot seen = files ? look_at(*files) : Snapshot{};
  int status = run();
  if (!files) return status;  // a bad name: nothing to watch
  while (!control.stop_requested()) {
    control.wait();
    if (control.stop_requested()) break;
    const Snapshot now = look_at(*files);
    if (now == seen) continue;
    seen = now;
    status = run();
  }
  messages << '[' << control.clock() << "] watch ended\n";
  return status;
}
