#pragma once
// scenario-compile --watch: compile, then compile again whenever one of the
// two description files changes, each run's messages under a time stamp;
// with --html the inspector's page of the compiled files is written after
// every run and reloads itself in the browser while the watch goes on.

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "model/file_names.h"
#include "session.h"

/// A file of the request's scenario in `folder`; none when a name of the
/// request cannot name files (the compilation says why).
std::optional<std::filesystem::path> scenario_file(const Request& request, ScenarioFile file,
                                                   const std::filesystem::path& folder);

/// How a watch waits, when it stops and what time it is: the console's in a
/// real run, a test's own in tests (no sleeping, a stop after N runs).
struct WatchControl {
  std::function<void()> wait;            ///< between two looks at the files
  std::function<bool()> stop_requested;  ///< looked at before each look at the files
  std::function<std::string()> clock;    ///< the time stamp of a line, "HH:MM:SS"
};

/// Half a second between two looks, until Ctrl-C (or a request to end
/// from the system), local time.
WatchControl console_watch_control();

/// How often the page written during a watch reloads itself, in seconds.
inline constexpr int kPageReloadSeconds = 2;

/// One compilation; when `page` is given, then writes the inspector's page
/// of the compiled files there (reloading itself when `reloading`), or a
/// page with the run's messages when there are no compiled files to show.
/// Returns the compilation's exit status, or 3 when the page cannot be
/// written.
int compile_and_show(const Request& request, const std::optional<std::filesystem::path>& page,
                     std::ostream& messages, bool reloading);

/// Compiles, then compiles again after every change of a description file
/// (its time, size or presence), until the control says stop. Returns the
/// exit status of the last compilation.
int watch_scenario(const Request& request, const std::optional<std::filesystem::path>& page,
                   std::ostream& messages, const WatchControl& control);
