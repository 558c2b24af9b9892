// The two programs run as processes, each against the raw write of the very
// bytes it writes:
//   - scenario-compile on the largest scenario (a 1,000,000 m line, a line
//     data file of some 20 MB), beside writing its three compiled files'
//     bytes from memory;
//   - the main program's whole run, beside writing its eight files' bytes
//     from memory.
// The raw writes go through the program's own safe replacement (temporary
// file in the same folder, then rename; the three compiled files as one
// group), which every writer of these files must pay: the comparison is of
// everything else a run does. Each process benchmark also times the raw
// write between its runs, so that its counter `over_raw_write` compares the
// two under the same load of the machine.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/form1.h"
#include "bench_support.h"
#include "measured_run.h"
#include "platform/system_platform.h"
#include "testing/largest_scenario.h"
#include "testing/memory_platform.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLine = "Massima";
constexpr const char* kTrain = "1";

std::string read_whole(const fs::path& file) {
  SystemPlatform reader(file.parent_path());
  return reader.read_file(file);
}

fs::path named(const fs::path& folder, ScenarioFile file, const std::string& line,
               const std::string& train) {
  return folder / scenario_file_name(file, line, train);
}

double seconds_of(const auto& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ===== scenario-compile on the largest scenario =====

/// The largest scenario's description files in a source folder, compiled
/// once into an output folder; the compiled bytes kept for the raw write.
struct CompileSetup {
  ScratchFolder scratch;
  fs::path source = scratch.path / "source";
  fs::path output = scratch.path / "output";
  fs::path raw = scratch.path / "raw";
  std::vector<std::string> arguments{"--line",   kLine,           "--train",      kTrain,
                                     "--output", output.string(), source.string()};
  std::map<ScenarioFile, std::string> compiled;
  int status = -1;

  CompileSetup() {
    fs::create_directories(source);
    fs::create_directories(output);
    fs::create_directories(raw);
    const LargestScenario s = largest_scenario(LargestVariant::with_boards);
    SystemPlatform writer(source);
    writer.replace_file(named(source, ScenarioFile::line_description, kLine, kTrain), s.line);
    writer.replace_file(named(source, ScenarioFile::train_description, kLine, kTrain), s.train);
    status = run_measured(SCENARIO_COMPILE_EXE, arguments).status;
    if (status != 0) return;
    for (ScenarioFile f : {ScenarioFile::line_data, ScenarioFile::service, ScenarioFile::grid})
      compiled[f] = read_whole(named(output, f, kLine, kTrain));
  }

  /// The three compiled files' bytes, replaced together as the tool does.
  void write_raw() const {
    SystemPlatform platform(raw);
    std::vector<NewFile> group;
    for (const auto& [f, bytes] : compiled) group.emplace_back(named(raw, f, kLine, kTrain), bytes);
    platform.replace_files(group);
  }
  size_t bytes() const {
    size_t n = 0;
    for (const auto& [f, b] : compiled) n += b.size();
    return n;
  }
};

const CompileSetup& compile_setup() {
  static const CompileSetup setup;
  return setup;
}

void BM_CompileProcess(benchmark::State& state) {
  const CompileSetup& setup = compile_setup();
  if (setup.status != 0) {
    state.SkipWithError(
        ("scenario-compile ended with status " + std::to_string(setup.status)).c_str());
    return;
  }
  double peak_mb = 0, launcher_mb = 0, process_seconds = 0, raw_seconds = 0;
  for (auto _ : state) {
    const MeasuredRun run = run_measured(SCENARIO_COMPILE_EXE, setup.arguments);
    if (run.status != 0) {
      state.SkipWithError(
          ("scenario-compile ended with status " + std::to_string(run.status)).c_str());
      break;
    }
    state.SetIterationTime(run.seconds);
    process_seconds += run.seconds;
    peak_mb = std::max(peak_mb, run.peak_mb);
    launcher_mb = std::max(launcher_mb, run.launcher_mb);
    raw_seconds += seconds_of([&] { setup.write_raw(); });
  }
  const double line_data_mb =
      static_cast<double>(setup.compiled.at(ScenarioFile::line_data).size()) / (1 << 20);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * setup.bytes()));
  state.counters["line_data_MB"] = line_data_mb;
  state.counters["peak_RSS_MB"] = peak_mb;
  state.counters["peak_over_line_data"] = peak_mb / line_data_mb;
  state.counters["launcher_RSS_MB"] = launcher_mb;
  state.counters["raw_write_ms"] = 1000 * raw_seconds / static_cast<double>(state.iterations());
  state.counters["over_raw_write"] = process_seconds / raw_seconds;
}
BENCHMARK(BM_CompileProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_CompileRawWrite(benchmark::State& state) {
  const CompileSetup& setup = compile_setup();
  if (setup.status != 0) {
    state.SkipWithError("no compiled files to write");
    return;
  }
  for (auto _ : state) setup.write_raw();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * setup.bytes()));
}
BENCHMARK(BM_CompileRawWrite)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);

// ===== The main program's run =====

/// The eight files of the main program's run, as it writes them, taken from
/// a run over the memory platform that keeps the deleted description files.
struct BuilderSetup {
  ScratchFolder scratch;
  fs::path folder = scratch.path / "program";
  fs::path raw = scratch.path / "raw";
  std::vector<std::pair<ScenarioFile, std::string>> texts;  ///< in the order written
  std::vector<std::pair<ScenarioFile, std::string>> compiled;
  int status = -1;

  BuilderSetup() {
    fs::create_directories(folder);
    fs::create_directories(raw);
    MemoryPlatform memory;
    memory.keep_deleted = true;
    Form1 form(memory);
    try {
      form.Form_Load();
    } catch (const ProgramEnded& end) {
      status = end.status;
    }
    if (status != 0) return;
    for (ScenarioFile f :
         {ScenarioFile::line_description, ScenarioFile::train_description, ScenarioFile::notes,
          ScenarioFile::slowdown_notice, ScenarioFile::timetable_card})
      texts.emplace_back(f, memory.files.at(form.file_name(f)));
    for (ScenarioFile f : {ScenarioFile::line_data, ScenarioFile::service, ScenarioFile::grid})
      compiled.emplace_back(f, memory.files.at(form.file_name(f)));
    names = {form.nome_linea, form.numero_treno};
  }

  /// The eight files' bytes as the run writes them: the five text files one
  /// by one, the three compiled files together; then, as the run does, the
  /// two description files go.
  void write_raw() const {
    SystemPlatform platform(raw);
    for (const auto& [f, bytes] : texts) platform.replace_file(file(raw, f), bytes);
    std::vector<NewFile> group;
    for (const auto& [f, bytes] : compiled) group.emplace_back(file(raw, f), bytes);
    platform.replace_files(group);
    platform.delete_file(file(raw, ScenarioFile::line_description));
    platform.delete_file(file(raw, ScenarioFile::train_description));
  }
  size_t bytes() const {
    size_t n = 0;
    for (const auto& [f, b] : texts) n += b.size();
    for (const auto& [f, b] : compiled) n += b.size();
    return n;
  }

 private:
  std::pair<std::string, std::string> names;
  fs::path file(const fs::path& in, ScenarioFile f) const {
    return named(in, f, names.first, names.second);
  }
};

const BuilderSetup& builder_setup() {
  static const BuilderSetup setup;
  return setup;
}

void BM_BuilderProcess(benchmark::State& state) {
  const BuilderSetup& setup = builder_setup();
  if (setup.status != 0) {
    state.SkipWithError("the built-in scenario did not build cleanly in memory");
    return;
  }
  double process_seconds = 0, raw_seconds = 0;
  for (auto _ : state) {
    const MeasuredRun run = run_measured(SCENARIO_BUILDER_EXE, {setup.folder.string()});
    if (run.status != 0) {
      state.SkipWithError(
          ("scenario-builder ended with status " + std::to_string(run.status)).c_str());
      break;
    }
    state.SetIterationTime(run.seconds);
    process_seconds += run.seconds;
    raw_seconds += seconds_of([&] { setup.write_raw(); });
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * setup.bytes()));
  state.counters["written_kB"] = static_cast<double>(setup.bytes()) / 1024;
  state.counters["raw_write_ms"] = 1000 * raw_seconds / static_cast<double>(state.iterations());
  state.counters["over_raw_write"] = process_seconds / raw_seconds;
}
BENCHMARK(BM_BuilderProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_BuilderRawWrite(benchmark::State& state) {
  const BuilderSetup& setup = builder_setup();
  if (setup.status != 0) {
    state.SkipWithError("the built-in scenario did not build cleanly in memory");
    return;
  }
  for (auto _ : state) setup.write_raw();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * setup.bytes()));
}
BENCHMARK(BM_BuilderRawWrite)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
