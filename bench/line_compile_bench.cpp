// Compiling the largest line the format allows (the largest scenario's line
// with its 80 name boards). The file is held in memory, so the time is the
// line half's own.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "app/form1.h"
#include "bench_support.h"
#include "platform/memory_platform.h"
#include "testing/largest_scenario.h"

namespace {

void BM_LargestLine(benchmark::State& state) {
  MemoryPlatform platform;
  platform.keep_deleted = true;  // every iteration reads the same file
  const std::string text = largest_scenario(LargestVariant::with_boards).line;
  {
    Form1 form(platform);
    form.nome_linea = "Massima";
    platform.files[form.file_name(ScenarioFile::line_description)] = text;
  }
  int32_t code = 0;
  int32_t cells = 0, points = 0;
  for (auto _ : state) {
    Form1 form(platform);
    form.nome_linea = "Massima";
    form.compila_linea = 1;
    const Form1::LineOutcome outcome = form.store_line();
    benchmark::DoNotOptimize(outcome);
    code = form.codice_errore;
    cells = static_cast<int32_t>(form.percorso.size());
    points = form.tracciato.computed();
  }
  if (code != 0) state.SkipWithError(("line compiled with code " + std::to_string(code)).c_str());
  state.counters["file_kB"] = static_cast<double>(text.size()) / 1024;
  state.counters["cells"] = cells;
  state.counters["plan_points"] = points;
  state.counters["peak_RSS_MB"] = status_kb("VmHWM:") / 1024;
}
BENCHMARK(BM_LargestLine)->Unit(benchmark::kMillisecond);

}  // namespace
