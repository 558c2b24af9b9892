// The whole build of the largest scenario, on disk: memorizza_percorso reads
// the two description files, compiles them, scans the grid and writes the
// three compiled files through the program's own platform. Beside it, the
// baseline: writing the same number of bytes to disk through the same
// platform. The build's peak memory is reported as a counter (VmHWM).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/form1.h"
#include "bench_support.h"
#include "platform/system_platform.h"
#include "testing/largest_scenario.h"

namespace fs = std::filesystem;

namespace {

/// Starts a new peak: the memory the previous iteration freed goes back to
/// the system, then the kernel resets VmHWM to the present resident size.
void reset_peak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

const LargestScenario& scenario() {
  static const LargestScenario s = largest_scenario(LargestVariant::with_boards);
  return s;
}

struct Sizes {
  size_t line = 0, service = 0, grid = 0;
  size_t total() const { return line + service + grid; }
};

Sizes& sizes() {
  static Sizes d;
  return d;
}

void BM_LargestScenarioBuild(benchmark::State& state) {
  ScratchFolder folder;
  SystemPlatform platform(folder.path);
  const LargestScenario& s = scenario();
  int32_t code = -1;
  size_t cells = 0;
  double peak_mb = 0, baseline_mb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Form1 form(platform);
    form.nome_linea = "Massima";
    form.numero_treno = "1";
    platform.replace_file(form.file_name(ScenarioFile::line_description), s.line);
    platform.replace_file(form.file_name(ScenarioFile::train_description), s.train);
    reset_peak();
    baseline_mb = status_kb("VmRSS:") / 1024;
    state.ResumeTiming();

    form.memorizza_percorso(1);

    state.PauseTiming();
    peak_mb = status_kb("VmHWM:") / 1024;
    code = form.codice_errore;
    cells = form.percorso.size();
    sizes() = {fs::file_size(form.file_name(ScenarioFile::line_data)), fs::file_size(form.file_name(ScenarioFile::service)),
                    fs::file_size(form.file_name(ScenarioFile::grid))};
    state.ResumeTiming();
  }
  if (code != 0) state.SkipWithError(("built with code " + std::to_string(code)).c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sizes().total()));
  state.counters["cells"] = static_cast<double>(cells);
  state.counters["line_data_MB"] = static_cast<double>(sizes().line) / (1 << 20);
  state.counters["written_MB"] = static_cast<double>(sizes().total()) / (1 << 20);
  state.counters["peak_RSS_MB"] = peak_mb;
  state.counters["RSS_before_MB"] = baseline_mb;
  state.counters["peak_over_line_data"] = peak_mb * (1 << 20) / static_cast<double>(sizes().line);
}
BENCHMARK(BM_LargestScenarioBuild)->Unit(benchmark::kMillisecond)->MinTime(3);

// Runs after the build, which fixes the sizes: three files of the same sizes
// as the compiled ones, replaced through the same platform.
void BM_WriteSameBytes(benchmark::State& state) {
  ScratchFolder folder;
  SystemPlatform platform(folder.path);
  const Sizes d = sizes();
  if (d.total() == 0) {
    state.SkipWithError("run BM_LargestScenarioBuild first");
    return;
  }
  const std::string line(d.line, 'l'), service(d.service, 's'), grid(d.grid, 'g');
  for (auto _ : state) {
    platform.replace_file(folder.path / scenario_file_name(ScenarioFile::line_data, "Massima", "1"), line);
    platform.replace_file(folder.path / scenario_file_name(ScenarioFile::service, "Massima", "1"), service);
    platform.replace_file(folder.path / scenario_file_name(ScenarioFile::grid, "Massima", "1"), grid);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.total()));
  state.counters["written_MB"] = static_cast<double>(d.total()) / (1 << 20);
}
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
