#include "scenario.h"

#include "app/codici_gara.h"
#include "output/layouts.h"

namespace {
// The fixed values the builder stores beside the check codes.
constexpr int64_t kMarcatoreCella = 5121;
constexpr int64_t kMarcatoreVoce = 610;
}  // namespace

Controlli calcola_controlli(const Voci& voci, const Percorso& percorso) {
  const std::string chiave =
      chiave_codici(voci[voce_fissa::treno].nome, voci[voce_fissa::linea].nome);
  const voce& linea = voci[voce_fissa::linea];
  // A grid read by leggi_percorso always has cell 1.
  const cella& prima = percorso.at(1);
  Controlli c;
  c.marcatore = {"marker in cell 1", prima.dato1, kMarcatoreCella};
  c.marcatore_voce = {"marker in record 85", linea.campo7, kMarcatoreVoce};
  c.codice_semplice = {"plain check code in cell 1", prima.dato2, codice_semplice(chiave)};
  c.codice_pesato = {"weighted check code in record 85", linea.orario, codice_pesato(chiave)};
  return c;
}

Read<Scenario> leggi_scenario(const ScenarioBytes& file) {
  Scenario s;
  auto voci = leggi_voci(file.servizio, file.nome_servizio);
  if (!voci.ok()) return voci.error();
  s.voci = std::move(voci.value());

  const auto lunghezza = lunghezza_linea(s.voci, file.servizio, file.nome_servizio);
  if (!lunghezza.ok()) return lunghezza.error();
  s.lunghezza = lunghezza.value();

  auto percorso = leggi_percorso(file.griglia, file.nome_griglia, layout::grid_cells(s.lunghezza));
  if (!percorso.ok()) return percorso.error();
  s.percorso = std::move(percorso.value());

  if (file.linea) {
    auto t = leggi_tracciato(*file.linea, file.nome_linea_dat, layout::plan_rows(s.lunghezza));
    if (!t.ok()) return t.error();
    s.tracciato = std::move(t.value());
    s.ha_tracciato = true;
  }
  s.controlli = calcola_controlli(s.voci, s.percorso);
  return s;
}
