// The notes and the slowdown notice: two short fixed documents for the driver.

#include <string>
#include <vector>

#include "app/form1.h"
#include "writers/format.h"

namespace {

/// The notes, line by line. "\xE0" is the one character outside ASCII: the
/// "a" with grave accent of "umidita", a single Windows-1252 byte.
constexpr const char* kNotes[] = {
    "               Treno 4158 sul percorso Valdarco Terme - Lornese",
    "",
    " Note sullo scenario:",
    "",
    " - Nella realta' la ferrovia Valdarcana e' a semplice binario. Le altre",
    "   caratteristiche (curve, pendenze, gallerie e fermate) sono quelle reali,",
    "   eccetto il raggio di alcune curve riadattato per motivi di corretta",
    "   visualizzazione.",
    " - Normalmente questa linea e' percorsa da automotrici ALe 582.",
    " - Le condizioni di aderenza tengono conto dell'umidit\xE0 del tratto di montagna,",
    "   soprattutto nelle gallerie.",
    " - La pendenza della linea e' per la maggior parte al 25 per mille e le",
    "   fermate intermedie, escluse Selvarco e Torrigna, sono anch'esse in forte",
    "   pendenza, quindi occorre fare attenzione al rilascio del freno.",
    " - Il percorso di questo treno e' privo di particolari situazioni 'difficili'.",
    "",
    " Fonti: carte topografiche in scala 1:25000; il libro \"Binari in Valdarcana\"",
    " di Ettore Baldacci e Livia Moranti; la videoregistrazione del viaggio in",
    " cabina (collana \"Linee di montagna\", vol. 3) ed altre informazioni varie.",
    "",
    " Scenario a cura di Marcello Vianelli, da Borgo Caselva.",
    " Per contatti: marcello.vianelli@example.org",
};

/// The notice: four empty lines, then the words that there are no orders.
constexpr const char* kSlowdowns[] = {
    "",
    "",
    "",
    "",
    "                         NESSUNA PRESCRIZIONE",
};

}  // namespace

void Form1::dati_note() {
  std::vector<std::string> lines(std::begin(kNotes), std::end(kNotes));
  close_table(lines);
  write_lines(ScenarioFile::notes, lines);
}

void Form1::dati_rallentamenti() {
  std::vector<std::string> lines(std::begin(kSlowdowns), std::end(kSlowdowns));
  close_table(lines);
  write_lines(ScenarioFile::slowdown_notice, lines);
}
