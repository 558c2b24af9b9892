// The line description writer: the built-in line as the file that the line
// compiler reads in the same run.

#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "writers/line_content.h"
#include "writers/format.h"

namespace {

/// The general section. The repetition line's blanks around its first comma
/// are part of the line as it has always been written.
constexpr const char* kGeneral[] = {
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
constexpr const char* kGradientNote = "- altitudine iniziale Valdarco T. 352 m. slm";

/// The one group of speed-limit boards; the three right-hand speeds are empty.
constexpr const char* kSpeedBoards = "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0";

std::string curve_line(const CurveRow& c) {
  return std::string(c.word) + ",  " + std::to_string(c.posizione) + " , " +
         std::to_string(c.length) + " ";
}

std::string gradient_line(const GradientRow& p) {
  const std::string inizio = "pendenza,  " + std::to_string(p.posizione) + ",";
  if (p.shape == GradientForm::A) return inizio + "   " + std::to_string(p.pendenza);
  return inizio + "  " + std::to_string(p.pendenza) + " ";
}

std::string tunnel_line(const TunnelRow& m) {
  return "montagna,   " + std::to_string(m.inizio) + ",  " + std::to_string(m.fine) + ",  " +
         std::to_string(m.tipo);
}

/// One bracketed part of a board's text. Appended to a string that starts
/// with the bracket, not prepended to the text: `"(" + text` inserts at the
/// front, where GCC 12 at -O3 warns of an overlap that cannot happen.
void tra_parentesi(std::string& text, std::string_view part) {
  text += '(';
  text += part;
  text += ')';
}

/// A tunnel board shows "(name)(length m.)", both brackets padded inside to the
/// row's width; the summit board shows its word alone.
std::string board_text(const NameBoardRow& c) {
  std::string text;
  if (c.tipo == BoardKind::summit) {
    tra_parentesi(text, c.nome);
    return text;
  }
  const auto width = static_cast<std::size_t>(c.width);
  const std::string length = std::to_string(c.length) + " m.";
  tra_parentesi(text, left_aligned(c.nome, width));
  tra_parentesi(text, left_aligned(length, width));
  return text;
}

std::string board_line(const NameBoardRow& c) {
  return "cartello_indicatore,  " + std::to_string(c.posizione) + ",   " + board_text(c);
}

}  // namespace

void Form1::dati_linea() {
  std::vector<std::string> lines(std::begin(kGeneral), std::end(kGeneral));
  lines.emplace_back("[curve]");
  for (const CurveRow& c : kCurves) lines.push_back(curve_line(c));
  lines.emplace_back("[pendenze]");
  lines.emplace_back(kGradientNote);
  for (const GradientRow& p : kGradients) lines.push_back(gradient_line(p));
  lines.emplace_back("[montagne]");
  for (const TunnelRow& m : kTunnels) lines.push_back(tunnel_line(m));
  lines.emplace_back("[cartelli]");
  lines.emplace_back(kSpeedBoards);
  lines.emplace_back("[indicazioni]");
  for (const NameBoardRow& c : kNameBoards) lines.push_back(board_line(c));
  // The reader never interprets the last field of a file, so a closing
  // heading that means nothing ends it.
  lines.emplace_back("[fine]");
  close_table(lines);
  write_lines(ScenarioFile::line_description, lines);
}
