#include "compile/track_plan.h"

#include <algorithm>
#include <array>

#include "model/numbers.h"
#include "platform/ansi.h"

namespace {

/// One row per curve class: the class digit and the turn per metre (radians);
/// the radius is 1 / k.
struct ClasseCurva {
  char cifra;
  double k;
};
constexpr std::array<ClasseCurva, 6> kClassiCurva{{
    {'1', 0.0001},  // 10000 m
    {'2', 0.0002},  // 5000 m
    {'3', 0.0004},  // 2500 m
    {'4', 0.001},   // 1000 m
    {'5', 0.002},   // 500 m
    {'6', 0.003},   // about 333 m
}};

/// Plan steps continue from the two points before the counter, so the plan
/// must have been started; a step past the last computed row is never made.
void richiedi_avvio(const Tracciato& tracciato) {
  if (tracciato.calcolati < 2)
    throw RunTimeFailure("the track plan is extended before it has been started");
}

// dx and dy are taken from before the step; each coordinate is one addition
// to the previous point, term by term, so every build gives the same bits.
void passo_dritto(Tracciato& tracciato) {
  auto& p = tracciato.punti;
  const size_t m = static_cast<size_t>(tracciato.calcolati);
  const double dx = p[m - 1][0] - p[m - 2][0];
  const double dy = p[m - 1][1] - p[m - 2][1];
  p[m][0] = p[m - 1][0] + dx;
  p[m][1] = p[m - 1][1] + dy;
  ++tracciato.calcolati;
}

void passo_curvo(Tracciato& tracciato, double k) {
  auto& p = tracciato.punti;
  const size_t m = static_cast<size_t>(tracciato.calcolati);
  const double dx = p[m - 1][0] - p[m - 2][0];
  const double dy = p[m - 1][1] - p[m - 2][1];
  p[m][0] = p[m - 1][0] + (dx + k * dy);
  p[m][1] = p[m - 1][1] + (dy - k * dx);
  ++tracciato.calcolati;
}

}  // namespace

void crea_tracciato(Tracciato& tracciato, int32_t lunghezza) {
  if (lunghezza < 0) throw RunTimeFailure("a track plan needs a line length of at least 0");
  tracciato.punti.assign(static_cast<size_t>(lunghezza) + 7001, {0.0, 0.0});
  tracciato.calcolati = 0;
}

void avvia_tracciato(Tracciato& tracciato) {
  if (tracciato.righe() < 2) throw RunTimeFailure("the track plan has no room for its start");
  tracciato.punti[0] = {0.0, 0.0};
  tracciato.punti[1] = {0.0, 1.0};
  tracciato.calcolati = 2;
}

int32_t ultimo_punto_calcolato(const Tracciato& tracciato) { return tracciato.righe() - 3; }

std::optional<double> curvatura_curva(std::string_view chiave) {
  const std::string minuscola = minuscolo(chiave);
  const bool sinistra = minuscola.find('s') != std::string::npos;
  for (const ClasseCurva& classe : kClassiCurva) {
    if (chiave.find(classe.cifra) != std::string_view::npos)
      return sinistra ? -classe.k : classe.k;
  }
  return std::nullopt;
}

// A curve reaching beyond the plan's last computed row is clipped there: the
// part on the plan is built and the final two rows stay empty as always,
// rather than refusing a line whose last curve runs into the run-out.
bool estendi_curva(Tracciato& tracciato, int64_t posizione, int64_t fine, double k) {
  richiedi_avvio(tracciato);
  const int64_t ultimo = ultimo_punto_calcolato(tracciato);
  const int64_t fine_dritto = std::min(posizione, ultimo);
  while (tracciato.calcolati <= fine_dritto) passo_dritto(tracciato);
  const int64_t fine_curva = std::min(fine, ultimo);
  while (tracciato.calcolati <= fine_curva) {
    passo_curvo(tracciato, k);
    if (tracciato.calcolati > limite_contatore_tracciato) return false;
  }
  return true;
}

void chiudi_tracciato(Tracciato& tracciato) {
  richiedi_avvio(tracciato);
  const int32_t ultimo = ultimo_punto_calcolato(tracciato);
  while (tracciato.calcolati <= ultimo) passo_dritto(tracciato);
}
