#include "app/form1.h"

#include <algorithm>

// The forward scan over the compiled grid that adds abbattimento points
// (type 12, value 180) around signals and slowdowns. Where no free cell is
// found it records code 11, 12 or 13 with the cell's position and goes on;
// a later code replaces an earlier one. Each code names the entry of the
// train description that placed the item concerned: the signal for code 11,
// the slowdown for codes 12 and 13.
//
// All cursors are locals of the scan: nothing carries from one procedure or
// one slowdown into the next.

namespace {

constexpr int16_t valore_punto = 180;
constexpr int16_t velocita_lenta = 110;  ///< slowdowns below this get points inside
constexpr int32_t passo_punti = 8;       ///< cells between points inside a slowdown
constexpr int32_t ricerca_segnale = 12;  ///< cells after the end searched for a signal

/// One window of cells tried before a slowdown start.
struct Finestra {
  int32_t limite;  ///< the window is tried only when the start cell is above this
  int32_t primo;   ///< cells start - primo, start - primo - 1, start - primo - 2
};
constexpr Finestra kFinestre[] = {
    {7, 5},
    {13, 11},
    {20, 18},
};

class Scansione {
 public:
  explicit Scansione(Form1& f) : f_(f), alto_(static_cast<int32_t>(f.percorso.size()) - 1) {}

  void esegui() {
    for (int32_t k = 1; k <= alto_ - 2; ++k) {
      if (tipo(k) == tipo_cella::avviso_rallentamento) segnali_prima_dell_avviso(k);
      if (tipo(k) == tipo_cella::inizio_rallentamento) inizio_rallentamento(k);
    }
  }

 private:
  cella& c(int32_t i) { return f_.percorso[static_cast<size_t>(i)]; }
  uint8_t tipo(int32_t i) { return c(i).tipo; }
  bool libera(int32_t i) { return i >= 0 && i <= alto_ && cella_libera(c(i)); }

  void punto(int32_t i) {
    c(i).tipo = tipo_cella::abbattimento;
    c(i).dato1 = valore_punto;
  }

  /// Records `codice` at cell i, naming the entry that placed the item in
  /// cell `item`.
  void errore(int32_t codice, int32_t i, int32_t item) {
    f_.record_code(codice, i * 50, origine(item));
  }

  /// The entry that placed the item of cell i: the train description as a
  /// whole for a cell no placement procedure filled (a grid built by hand).
  LuogoSorgente origine(int32_t i) const {
    if (i >= 0 && static_cast<size_t>(i) < f_.cell_origins.size())
      return f_.cell_origins[static_cast<size_t>(i)];
    return {FileDescrizione::treno, 0, false, 0};
  }

  /// A point right in front of the signal at d, or one cell further back;
  /// failing both, an existing point there is lowered to 180.
  void davanti_al_segnale(int32_t d) {
    if (libera(d - 1)) {
      punto(d - 1);
    } else if (libera(d - 2)) {
      punto(d - 2);
    } else if (tipo(d - 1) == tipo_cella::abbattimento) {
      c(d - 1).dato1 = f_.minimo(valore_punto, c(d - 1).dato1);
    } else if (tipo(d - 2) == tipo_cella::abbattimento) {
      c(d - 2).dato1 = f_.minimo(valore_punto, c(d - 2).dato1);
    } else {
      errore(11, d, d);
    }
  }

  /// Every signal among the 20 cells before a warning board.
  void segnali_prima_dell_avviso(int32_t k) {
    for (int32_t m = 1; m <= 20; ++m) {
      const int32_t d = k - m;
      if (d < 3) return;
      if (tipo(d) == tipo_cella::segnale) davanti_al_segnale(d);
    }
  }

  void inizio_rallentamento(int32_t k) {
    finestre(k);
    // Only a slow slowdown gets points inside and the point before the
    // signal after its end: a fast one has no end cell located, and the
    // signal "after such a slowdown" means after a slow one.
    if (c(k).dato1 >= velocita_lenta) return;
    const int32_t fine = punti_interni(k);
    if (fine < 0) return;
    segnale_dopo(k, fine);
  }

  void finestre(int32_t k) {
    for (const Finestra& w : kFinestre) {
      if (k <= w.limite) continue;
      int32_t scelta = -1;
      for (int32_t i = k - w.primo; i >= k - w.primo - 2 && scelta < 0; --i)
        if (libera(i)) scelta = i;
      if (scelta >= 0)
        punto(scelta);
      else
        errore(12, k, k);
    }
  }

  /// Points every 8 cells through the slowdown starting at k, counted from
  /// the last point placed. Returns the end cell, or -1 when the grid ends
  /// first: the walk stops at the highest index and records code 13 there,
  /// since the slowdown could not be treated to its end (a start without an
  /// end cell, as a slowdown of length 0 leaves).
  int32_t punti_interni(int32_t k) {
    int32_t conta = 0;
    for (int32_t j = k + 1; j <= alto_; ++j) {
      ++conta;
      if (conta == passo_punti) conta = punto_interno(k, j);
      if (tipo(j) == tipo_cella::fine_rallentamento) return j;
    }
    errore(13, alto_, k);
    return -1;
  }

  /// The point due at cell j, or the neighbour before or after it; returns
  /// the count of cells since that point (8 when none could be placed, so
  /// that no further point follows in this slowdown).
  int32_t punto_interno(int32_t k, int32_t j) {
    if (libera(j)) {
      punto(j);
      return 0;
    }
    if (libera(j - 1)) {
      punto(j - 1);
      return 1;
    }
    if (libera(j + 1)) {
      punto(j + 1);
      return -1;
    }
    errore(13, j, k);
    return passo_punti;
  }

  /// A point in front of the first signal within 12 cells after the end j
  /// of the slowdown starting at k.
  void segnale_dopo(int32_t k, int32_t j) {
    const int32_t ultimo = std::min(j + ricerca_segnale, alto_);
    for (int32_t s = j; s <= ultimo; ++s) {
      if (tipo(s) != tipo_cella::segnale) continue;
      if (s - 1 <= 0) return;
      if (libera(s - 1))
        punto(s - 1);
      else if (libera(s - 2))
        punto(s - 2);
      else
        errore(13, j, k);
      return;
    }
  }

  Form1& f_;
  const int32_t alto_;  ///< highest index of the grid
};

}  // namespace

void Form1::elabora_percorso() { Scansione(*this).esegui(); }

int16_t Form1::minimo(int16_t x, int16_t y) { return x > y ? y : x; }
