#pragma once
// The readable account of a scenario, built once as data (general values
// and tables of UTF-8 text) and then rendered as plain text or as HTML.

#include <string>
#include <utility>
#include <vector>

#include "decode.h"

struct Tabella {
  std::string titolo;
  std::vector<std::string> colonne;
  std::vector<bool> a_destra;  ///< per column: numbers are right-aligned
  std::vector<std::vector<std::string>> righe;
  std::string nota;  ///< shown under the table when not empty
};

struct Rapporto {
  std::string titolo;
  std::vector<std::pair<std::string, std::string>> generali;
  std::vector<Tabella> tabelle;
};

/// Metres with a thousands separator: 39900 gives "39 900".
std::string metri(int64_t m);
/// Chainage in the railway's own form: 73450 gives "km 73+450".
std::string chilometri(int64_t m);

Rapporto componi_rapporto(const Scenario& s, const Decodificato& d);

/// The report as aligned plain text, every line ended by "\n".
std::string render_summary(const Rapporto& r);
