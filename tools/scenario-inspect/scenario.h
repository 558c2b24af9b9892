#pragma once
// A compiled scenario as read back from its files, with the checks that the
// simulator relies on: the two marker values and the two check codes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/records.h"
#include "output/scenario_reader.h"

/// The bytes of the three files and the names they are shown by.
struct ScenarioBytes {
  std::string_view grid;  ///< grid file (name + "_" + train + ".dat")
  std::string grid_name;
  std::string_view service;  ///< service file (name + "_" + train + ".sim")
  std::string service_name;
  std::optional<std::string_view> line;  ///< line data file, when present
  std::string line_dat_name;
};

/// One check of the scenario: what was stored against what it must be.
struct Check {
  std::string nome;  ///< what is checked, in words
  int64_t found = 0;
  int64_t expected = 0;
  bool valid() const { return found == expected; }
};

/// The reserved slots of the scenario, read back and recomputed.
struct Checks {
  Check marcatore;       ///< cell 1 dato1 = 5121
  Check record_marker;   ///< record 85 campo7 = 610
  Check plain_code;      ///< cell 1 dato2 = plain code of the names
  Check weighted_code;   ///< record 85 orario = weighted code of the names
  bool valid_ones() const {
    return marcatore.valid() && record_marker.valid() && plain_code.valid() &&
           weighted_code.valid();
  }
};

struct Scenario {
  RecordTable voci;
  CellGrid percorso;
  TrackPlan tracciato;  ///< empty when the line data file is absent
  bool has_plan = false;
  int32_t length = 0;  ///< line length L from record 84
  Checks checks;

  const std::string& nome_linea() const { return voci[fixed_record::line].nome; }
  const std::string& numero_treno() const { return voci[fixed_record::train].nome; }
};

/// The check values recomputed from the names in records 85 and 86.
Checks compute_checks(const RecordTable& voci, const CellGrid& percorso);

/// Reads the three files in one pass each: the service file first (it gives
/// the line length), then the grid (which must have the cells of that
/// length), then the line data file when present (L + 7001 rows).
Read<Scenario> read_scenario(const ScenarioBytes& file);
