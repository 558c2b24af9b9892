// Compiling the largest line the format allows: 1,000,000 m, a curve every
// 300 m, a gradient every 500 m, the 80 tunnels the tables hold spread over
// the whole line, speed-limit boards every kilometre and 80 name boards. The
// file is held in memory, so the time is the line half's own.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>

#include "app/form1.h"

namespace {

/// Files in memory; deleting one keeps it, so every iteration reads the same.
class MemoryPlatform : public Platform {
 public:
  std::map<std::filesystem::path, std::string> files;

  std::filesystem::path program_folder() override { return "/memory"; }
  void show_window(const std::string&) override {}
  void message_box(const std::string&) override {}
  void report(const std::string&) override {}
  [[noreturn]] void end_program(int status) override { std::exit(status); }
  bool file_exists(const std::filesystem::path& file) override { return files.count(file) > 0; }
  std::string read_file(const std::filesystem::path& file) override {
    const auto it = files.find(file);
    if (it == files.end()) throw FileError(file, "no such file");
    return it->second;
  }
  void replace_file(const std::filesystem::path& file, std::string_view bytes) override {
    files[file] = std::string(bytes);
  }
  void replace_files(std::span<const NewFile> group) override {
    for (const NewFile& f : group) {
      std::string& content = files[f.file];
      content.clear();
      for_each_piece(f, [&content](std::string_view piece) {
        content += piece;
        return true;
      });
    }
  }
  void delete_file(const std::filesystem::path&) override {}
};

std::string riga(const std::string& text) { return text + "\r\n"; }

std::string largest_line() {
  constexpr int32_t length = 1000000;
  std::string t;
  t += riga("[generale]");
  t += riga("lunghezza percorso,    " + std::to_string(length));
  t += riga("progressiva chilometrica uno,    0,    73350,    1");
  t += riga("progressiva chilometrica due,    500000,    573350,    0");
  t += riga("progressiva chilometrica tre,    1000000,    1073350,    0");
  t += riga("sfondo uno,    33600");
  t += riga("sfondo due,    27600");
  t += riga("sfondo tre,    1");
  t += riga("ripetizione segnali 4 codici,    100    ,200");
  t += riga("[curve]");
  // Curves of 50 to 250 m every 300 m, all classes and both sides; the last
  // one ends before the plan counter's limit of 1,000,000.
  for (int32_t p = 200, i = 0; p + 250 < length; p += 300, ++i) {
    const std::string side = i % 2 == 0 ? "s" : "d";
    t += riga("curva" + side + std::to_string(1 + i % 6) + ",  " + std::to_string(p) + " , " +
              std::to_string(50 + 50 * (i % 5)) + " ");
  }
  t += riga("[pendenze]");
  t += riga("- altitudine iniziale 352 m. slm");
  for (int32_t p = 0, i = 0; p < length; p += 500, ++i)
    t += riga("pendenza,  " + std::to_string(p) + ",   " + std::to_string(i % 41 - 20));
  t += riga("[montagne]");
  for (int32_t i = 0; i < 80; ++i) {
    const int32_t inizio = 1000 + i * 12400;
    t += riga("montagna,   " + std::to_string(inizio) + ",  " + std::to_string(inizio + 9000) +
              ",  " + std::to_string(11 + i % 2));
  }
  t += riga("[cartelli]");
  for (int32_t p = 300; p < length; p += 1000)
    t += riga("indicatori_vmax,  " + std::to_string(p) + ",  75,  80,  80,  0,  ,  ,  ,  0");
  t += riga("[indicazioni]");
  for (int32_t i = 0; i < 80; ++i)
    t += riga("cartello_indicatore,   " + std::to_string(950 + i * 12400) + ",  (GALLERIA " +
              std::to_string(i) + ")");
  t += riga("[fine]");
  return t;
}

/// Peak resident memory of the process so far, in kilobytes.
double peak_memory_kb() {
  std::ifstream status("/proc/self/status");
  std::string field;
  while (status >> field) {
    if (field == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb;
    }
  }
  return 0;
}

void BM_LargestLine(benchmark::State& state) {
  MemoryPlatform platform;
  const std::string text = largest_line();
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
  state.counters["peak_RSS_MB"] = peak_memory_kb() / 1024;
}
BENCHMARK(BM_LargestLine)->Unit(benchmark::kMillisecond);

}  // namespace
