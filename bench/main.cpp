// The benchmark program; started with the launcher's argument, it runs one
// program of the build as a measured process instead (measured_run.h).

#include <benchmark/benchmark.h>

#include <string_view>

#include "measured_run.h"

int main(int argc, char** argv) {
  if (argc >= 3 && std::string_view(argv[1]) == kLauncherArgument)
    return launch_measured(argc - 2, argv + 2);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
