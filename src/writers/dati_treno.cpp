// The train description writer: the built-in service as the file that the
// service compiler reads in the same run.

#include <string>
#include <vector>

#include "app/form1.h"
#include "writers/train_content.h"
#include "writers/format.h"

namespace {

/// The general section. The clock's three numbers are parted by blanks alone
/// and the line keeps its one trailing blank.
constexpr const char* kGeneral[] = {
    "[generale]",
    "numero vetture,    3",
    "percentuale massa frenata,    120",
    "sabbia,    300",
    "orologio,    6               47            30 ",
};

/// The keyword, then every number right-aligned in its width, each after a comma.
template <std::size_t N>
std::string fields_line(const char* word, const std::array<int32_t, N>& values,
                        const std::array<std::size_t, N>& widths) {
  std::string riga = word;
  for (std::size_t i = 0; i < N; ++i) {
    riga += ',';
    riga += right_aligned(values[i], widths[i]);
  }
  return riga;
}

std::string adhesion_line(const AdhesionRow& a) {
  return fields_line<2>("aderenza", {a.posizione, a.aderenza}, {8, 6});
}

std::string speed_line() {
  return fields_line<2>("velocita", {kSpeedPosition, kSpeedLimit}, {8, 6});
}

/// The sixteen numbers, then a comma, one blank and the name, which ends the line.
std::string station_line(const StationRow& s) {
  return fields_line("stazione", s.fields, kStationWidths) + ", " + s.nome;
}

std::string signal_line(const SignalRow& s) {
  return fields_line("segnale", signal_fields(s), kSignalWidths);
}

}  // namespace

void Form1::dati_treno() {
  std::vector<std::string> lines(std::begin(kGeneral), std::end(kGeneral));
  lines.emplace_back("[aderenze]");
  for (const AdhesionRow& a : kAdhesion) lines.push_back(adhesion_line(a));
  lines.emplace_back("[vel_limite]");
  lines.push_back(speed_line());
  lines.emplace_back("[stazioni]");
  for (const StationRow& s : kStations) lines.push_back(station_line(s));
  // This service has no slowdowns and no codes: their headings stand alone.
  lines.emplace_back("[rallentamenti]");
  lines.emplace_back("[segnali]");
  for (const SignalRow& s : kSignals) lines.push_back(signal_line(s));
  lines.emplace_back("[codici]");
  lines.emplace_back("[fine]");
  close_table(lines);
  write_lines(ScenarioFile::train_description, lines);
}
