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
  std::string_view griglia;  ///< grid file (name + "_" + train + ".dat")
  std::string nome_griglia;
  std::string_view servizio;  ///< service file (name + "_" + train + ".sim")
  std::string nome_servizio;
  std::optional<std::string_view> linea;  ///< line data file, when present
  std::string nome_linea_dat;
};

/// One check of the scenario: what was stored against what it must be.
struct Controllo {
  std::string nome;  ///< what is checked, in words
  int64_t trovato = 0;
  int64_t atteso = 0;
  bool valido() const { return trovato == atteso; }
};

/// The reserved slots of the scenario, read back and recomputed.
struct Controlli {
  Controllo marcatore;         ///< cell 1 dato1 = 5121
  Controllo marcatore_voce;    ///< record 85 campo7 = 610
  Controllo codice_semplice;   ///< cell 1 dato2 = plain code of the names
  Controllo codice_pesato;     ///< record 85 orario = weighted code of the names
  bool validi() const {
    return marcatore.valido() && marcatore_voce.valido() && codice_semplice.valido() &&
           codice_pesato.valido();
  }
};

struct Scenario {
  Voci voci;
  Percorso percorso;
  Tracciato tracciato;  ///< empty when the line data file is absent
  bool ha_tracciato = false;
  int32_t lunghezza = 0;  ///< line length L from record 84
  Controlli controlli;

  const std::string& nome_linea() const { return voci[voce_fissa::linea].nome; }
  const std::string& numero_treno() const { return voci[voce_fissa::treno].nome; }
};

/// The check values recomputed from the names in records 85 and 86.
Controlli calcola_controlli(const Voci& voci, const Percorso& percorso);

/// Reads the three files in one pass each: the service file first (it gives
/// the line length), then the grid (which must have the cells of that
/// length), then the line data file when present (L + 7001 rows).
Read<Scenario> leggi_scenario(const ScenarioBytes& file);
