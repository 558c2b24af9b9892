// The timetable card writer: a fixed drawing of boxes and a grid with one
// row per station, for the driver.

#include <string>
#include <vector>

#include "app/form1.h"
#include "writers/contenuto_scheda.h"
#include "writers/formato.h"

namespace {

/// Lines 1 to 16: two empty lines, the header boxes and the grid's heading.
/// Line 9 keeps its seven trailing blanks.
constexpr const char* kIntestazione[] = {
    "",
    "",
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA                   |              |",
    " |   TRENO n. 4158   |                   da: VALDARCO T.           |    V160 B    |",
    " |___________________|                    a: LORNESE               |     120%     |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |    REGIONALE      |              |      250T         |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
};

/// The grid's closing line: the same as the heading's last line.
constexpr const char* kChiusuraGriglia =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

/// Two empty lines, then the note that explains the "+" of the times.
constexpr const char* kPiede[] = {
    "",
    "",
    "Nota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'.",
};

/// A speed column: the speed right-aligned in four characters and a blank;
/// five blanks when the row has none.
std::string colonna_velocita(int16_t velocita) {
  if (velocita == 0) return std::string(5, ' ');
  return a_destra(velocita, 4) + " ";
}

/// The time column, 16 characters: two blanks, the left place (time and its
/// "+" or a blank), the middle place, the right place, a blank.
std::string colonna_orario(const CardRow& r) {
  return "  " + a_sinistra(r.orario_sinistra, 5) + a_sinistra(r.orario_centro, 4) +
         a_sinistra(r.orario_destra, 4) + " ";
}

std::string riga_stazione(const CardRow& r) {
  const std::string vuota(5, ' ');
  return " |" + colonna_velocita(r.vel_lim) + "|" + colonna_velocita(r.vel_marc) + "|" + "  " +
         a_sinistra(r.progressiva, 6) + "  " + "|" + vuota + "|" + " " + a_sinistra(r.localita, 27) +
         "|" + colonna_orario(r) + "|" + vuota + "|";
}

}  // namespace

void Form1::dati_scheda() {
  std::vector<std::string> righe(std::begin(kIntestazione), std::end(kIntestazione));
  for (const CardRow& r : kCardRows) righe.push_back(riga_stazione(r));
  righe.emplace_back(kChiusuraGriglia);
  righe.insert(righe.end(), std::begin(kPiede), std::end(kPiede));
  chiudi_tabella(righe);
  scrivi_righe(ScenarioFile::timetable_card, righe);
}
