// The line description writer: the built-in line as the file that the line
// compiler reads in the same run.

#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "writers/contenuto_linea.h"
#include "writers/formato.h"

namespace {

/// The general section. The repetition line's blanks around its first comma
/// are part of the line as it has always been written.
constexpr const char* kGenerale[] = {
    "[generale]",
    "lunghezza percorso,    40000",
    "progressiva chilometrica uno,    0,    73350,    1",
    "progressiva chilometrica due,    0,    0,    0",
    "progressiva chilometrica tre,    0,    0,    0",
    "sfondo uno,    33600",
    "sfondo due,    27600",
    "sfondo tre,    1",
    "ripetizione segnali 4 codici,    0    ,0",
};

/// The one remark of the gradient section; its "-" makes the reader skip it.
constexpr const char* kNotaPendenze = "- altitudine iniziale Valdarco T. 352 m. slm";

/// The one group of speed-limit boards; the three right-hand speeds are empty.
constexpr const char* kIndicatoriVmax = "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0";

std::string riga_curva(const CurveRow& c) {
  return std::string(c.parola) + ",  " + std::to_string(c.posizione) + " , " +
         std::to_string(c.lunghezza) + " ";
}

std::string riga_pendenza(const GradientRow& p) {
  const std::string inizio = "pendenza,  " + std::to_string(p.posizione) + ",";
  if (p.forma == FormaPendenza::A) return inizio + "   " + std::to_string(p.pendenza);
  return inizio + "  " + std::to_string(p.pendenza) + " ";
}

std::string riga_montagna(const TunnelRow& m) {
  return "montagna,   " + std::to_string(m.inizio) + ",  " + std::to_string(m.fine) + ",  " +
         std::to_string(m.tipo);
}

/// One bracketed part of a board's text. Appended to a string that starts
/// with the bracket, not prepended to the text: `"(" + text` inserts at the
/// front, where GCC 12 at -O3 warns of an overlap that cannot happen.
void tra_parentesi(std::string& testo, std::string_view parte) {
  testo += '(';
  testo += parte;
  testo += ')';
}

/// A tunnel board shows "(name)(length m.)", both brackets padded inside to the
/// row's width; the summit board shows its word alone.
std::string testo_cartello(const NameBoardRow& c) {
  std::string testo;
  if (c.tipo == TipoCartello::culmine) {
    tra_parentesi(testo, c.nome);
    return testo;
  }
  const auto larghezza = static_cast<std::size_t>(c.larghezza);
  const std::string lunghezza = std::to_string(c.lunghezza) + " m.";
  tra_parentesi(testo, a_sinistra(c.nome, larghezza));
  tra_parentesi(testo, a_sinistra(lunghezza, larghezza));
  return testo;
}

std::string riga_cartello(const NameBoardRow& c) {
  return "cartello_indicatore,  " + std::to_string(c.posizione) + ",   " + testo_cartello(c);
}

}  // namespace

void Form1::dati_linea() {
  std::vector<std::string> righe(std::begin(kGenerale), std::end(kGenerale));
  righe.emplace_back("[curve]");
  for (const CurveRow& c : kCurves) righe.push_back(riga_curva(c));
  righe.emplace_back("[pendenze]");
  righe.emplace_back(kNotaPendenze);
  for (const GradientRow& p : kGradients) righe.push_back(riga_pendenza(p));
  righe.emplace_back("[montagne]");
  for (const TunnelRow& m : kTunnels) righe.push_back(riga_montagna(m));
  righe.emplace_back("[cartelli]");
  righe.emplace_back(kIndicatoriVmax);
  righe.emplace_back("[indicazioni]");
  for (const NameBoardRow& c : kNameBoards) righe.push_back(riga_cartello(c));
  // The reader never interprets the last field of a file, so a closing
  // heading that means nothing ends it.
  righe.emplace_back("[fine]");
  chiudi_tabella(righe);
  scrivi_righe(ScenarioFile::line_description, righe);
}
