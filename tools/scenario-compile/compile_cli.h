#pragma once
// The command line of scenario-compile:
//   scenario-compile [OPTIONS] [FOLDER]

#include <ostream>

struct WatchControl;

/// Parses the options, runs the compilation (or the watch) and returns the
/// exit status. Help and version go to `output`, every message to
/// `messages`. A watch polls and stops as `watch_control` says; nullptr:
/// every half second, until Ctrl-C.
int run_compile(int argc, char** argv, std::ostream& output, std::ostream& messages,
                const WatchControl* watch_control = nullptr);
