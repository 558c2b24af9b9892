#pragma once
// Runs a program of the build as a process and measures it the way a user
// meets it: the wall time from start to end, and the peak of its resident
// memory. Linux only, like the rest of the benchmarks.
//
// The peak comes from the kernel's account of the finished process
// (ru_maxrss). That account starts from the resident size of the process
// that forked it, so the benchmark does not fork the program itself (it
// holds tens of megabytes of scenario bytes): it starts its own executable
// again as a small launcher, which forks and times the program and prints
// what it measured. The launcher's own resident size at the fork is
// reported too, as the floor below which no peak can be told.

#include <filesystem>
#include <string>
#include <vector>

struct MeasuredRun {
  int status = -1;         ///< the program's exit status; -1 when it did not end by itself
  double seconds = 0;      ///< wall time from the fork to the end of the program
  double peak_mb = 0;      ///< peak resident memory of the program, MiB
  double launcher_mb = 0;  ///< resident memory of the launcher when it forked, MiB
};

/// The first argument that makes the benchmark program a launcher.
inline constexpr const char* kLauncherArgument = "--run-measured";

/// Runs `program` with `arguments` through the launcher, its standard output
/// and error discarded; the status is -1 too when the launcher failed.
MeasuredRun run_measured(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments);

/// The launcher: runs argv[0] with the rest of argv as its arguments and
/// prints one line, "status seconds peak_kb launcher_kb". Returns the
/// launcher's exit status.
int launch_measured(int argc, char** argv);
