// The whole build of the largest scenario, on disk: memorizza_percorso reads
// the two description files, compiles them, scans the grid and writes the
// three compiled files through the program's own platform. Beside it, the
// baseline: writing the same number of bytes to disk through the same
// platform. The build's peak memory is reported as a counter (VmHWM).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/form1.h"
#include "platform/system_platform.h"
#include "testing/scenario_grande.h"

namespace fs = std::filesystem;

namespace {

/// A fresh folder for the files of the benchmark, removed at the end.
struct Cartella {
  fs::path path = fs::temp_directory_path() / ("scenario-bench-" + std::to_string(std::random_device{}()));
  Cartella() { fs::create_directories(path); }
  ~Cartella() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

/// A value of /proc/self/status in kilobytes ("VmHWM:", "VmRSS:").
double status_kb(const std::string& voce) {
  std::ifstream status("/proc/self/status");
  std::string campo;
  while (status >> campo) {
    if (campo == voce) {
      double kb = 0;
      status >> kb;
      return kb;
    }
  }
  return 0;
}

/// Starts a new peak: the memory the previous iteration freed goes back to
/// the system, then the kernel resets VmHWM to the present resident size.
void azzera_picco() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

const ScenarioGrande& scenario() {
  static const ScenarioGrande s = scenario_grande(VarianteGrande::con_cartelli);
  return s;
}

struct Dimensioni {
  size_t linea = 0, servizio = 0, griglia = 0;
  size_t totale() const { return linea + servizio + griglia; }
};

Dimensioni& dimensioni() {
  static Dimensioni d;
  return d;
}

void BM_LargestScenarioBuild(benchmark::State& state) {
  Cartella cartella;
  SystemPlatform platform(cartella.path);
  const ScenarioGrande& s = scenario();
  int32_t codice = -1;
  size_t celle = 0;
  double picco_mb = 0, base_mb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Form1 form(platform);
    form.nome_linea = "Massima";
    form.numero_treno = "1";
    platform.replace_file(form.nome_file(ScenarioFile::line_description), s.linea);
    platform.replace_file(form.nome_file(ScenarioFile::train_description), s.treno);
    azzera_picco();
    base_mb = status_kb("VmRSS:") / 1024;
    state.ResumeTiming();

    form.memorizza_percorso(1);

    state.PauseTiming();
    picco_mb = status_kb("VmHWM:") / 1024;
    codice = form.codice_errore;
    celle = form.percorso.size();
    dimensioni() = {fs::file_size(form.nome_file(ScenarioFile::line_data)), fs::file_size(form.nome_file(ScenarioFile::service)),
                    fs::file_size(form.nome_file(ScenarioFile::grid))};
    state.ResumeTiming();
  }
  if (codice != 0) state.SkipWithError(("built with code " + std::to_string(codice)).c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dimensioni().totale()));
  state.counters["cells"] = static_cast<double>(celle);
  state.counters["line_data_MB"] = static_cast<double>(dimensioni().linea) / (1 << 20);
  state.counters["written_MB"] = static_cast<double>(dimensioni().totale()) / (1 << 20);
  state.counters["peak_RSS_MB"] = picco_mb;
  state.counters["RSS_before_MB"] = base_mb;
  state.counters["peak_over_line_data"] = picco_mb * (1 << 20) / static_cast<double>(dimensioni().linea);
}
BENCHMARK(BM_LargestScenarioBuild)->Unit(benchmark::kMillisecond)->MinTime(3);

// Runs after the build, which fixes the sizes: three files of the same sizes
// as the compiled ones, replaced through the same platform.
void BM_WriteSameBytes(benchmark::State& state) {
  Cartella cartella;
  SystemPlatform platform(cartella.path);
  const Dimensioni d = dimensioni();
  if (d.totale() == 0) {
    state.SkipWithError("run BM_LargestScenarioBuild first");
    return;
  }
  const std::string linea(d.linea, 'l'), servizio(d.servizio, 's'), griglia(d.griglia, 'g');
  for (auto _ : state) {
    platform.replace_file(cartella.path / scenario_file_name(ScenarioFile::line_data, "Massima", "1"), linea);
    platform.replace_file(cartella.path / scenario_file_name(ScenarioFile::service, "Massima", "1"), servizio);
    platform.replace_file(cartella.path / scenario_file_name(ScenarioFile::grid, "Massima", "1"), griglia);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.totale()));
  state.counters["written_MB"] = static_cast<double>(d.totale()) / (1 << 20);
}
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
