#include "scenario.h"

#include "app/check_codes.h"
#include "output/layouts.h"

namespace {
// The fixed values the builder stores beside the check codes.
constexpr int64_t kCellMarker = 5121;
constexpr int64_t kRecordMarker = 610;
}  // namespace

Checks compute_checks(const RecordTable& voci, const CellGrid& percorso) {
  const std::string key =
      check_code_key(voci[fixed_record::train].nome, voci[fixed_record::line].nome);
  const voce& line = voci[fixed_record::line];
  // A grid read by read_grid always has cell 1.
  const cella& first = percorso.at(1);
  Checks c;
  c.marcatore = {"marker in cell 1", first.dato1, kCellMarker};
  c.record_marker = {"marker in record 85", line.campo7, kRecordMarker};
  c.plain_code = {"plain check code in cell 1", first.dato2, plain_code(key)};
  c.weighted_code = {"weighted check code in record 85", line.orario, weighted_code(key)};
  return c;
}

Read<Scenario> read_scenario(const ScenarioBytes& file) {
  Scenario s;
  auto voci = read_records(file.service, file.service_name);
  if (!voci.ok()) return voci.error();
  s.voci = std::move(voci.value());

  const auto length = line_length(s.voci, file.service, file.service_name);
  if (!length.ok()) return length.error();
  s.length = length.value();

  auto percorso = read_grid(file.grid, file.grid_name, layout::grid_cells(s.length));
  if (!percorso.ok()) return percorso.error();
  s.percorso = std::move(percorso.value());

  if (file.line) {
    auto t = read_plan(*file.line, file.line_dat_name, layout::plan_rows(s.length));
    if (!t.ok()) return t.error();
    s.tracciato = std::move(t.value());
    s.has_plan = true;
  }
  s.checks = compute_checks(s.voci, s.percorso);
  return s;
}
