// The timetable card writer: a fixed drawing of boxes and a grid with one
// row per station, for the driver.

#include <string>
#include <vector>

#include "app/form1.h"
#include "writers/card_content.h"
#include "writers/format.h"

namespace {

/// Lines 1 to 16: two empty lines, the header boxes and the grid's heading.
/// Line 9 keeps its seven trailing blanks.
constexpr const char* kHeading[] = {
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
constexpr const char* kGridClosing =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

/// Two empty lines, then the note that explains the "+" of the times.
constexpr const char* kFooter[] = {
    "",
    "",
    "Nota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'.",
};

/// A speed column: the speed right-aligned in four characters and a blank;
/// five blanks when the row has none.
std::string speed_column(int16_t velocita) {
  if (velocita == 0) return std::string(5, ' ');
  return right_aligned(velocita, 4) + " ";
}

/// The time column, 16 characters: two blanks, the left place (time and its
/// "+" or a blank), the middle place, the right place, a blank.
std::string time_column(const CardRow& r) {
  return "  " + left_aligned(r.left_time, 5) + left_aligned(r.centre_time, 4) +
         left_aligned(r.right_time, 4) + " ";
}

std::string station_line(const CardRow& r) {
  const std::string empty(5, ' ');
  return " |" + speed_column(r.speed_limit) + "|" + speed_column(r.marker_speed) + "|" + "  " +
         left_aligned(r.chainage, 6) + "  " + "|" + empty + "|" + " " + left_aligned(r.place, 27) +
         "|" + time_column(r) + "|" + empty + "|";
}

}  // namespace

void Form1::dati_scheda() {
  std::vector<std::string> lines(std::begin(kHeading), std::end(kHeading));
  for (const CardRow& r : kCardRows) lines.push_back(station_line(r));
  lines.emplace_back(kGridClosing);
  lines.insert(lines.end(), std::begin(kFooter), std::end(kFooter));
  close_table(lines);
  write_lines(ScenarioFile::timetable_card, lines);
}
