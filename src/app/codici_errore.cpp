#include "app/codici_errore.h"

#include <algorithm>

namespace {

constexpr bool kPosizione = true;
constexpr bool kNessuna = false;

// One row per code, ascending; 14, 23 and 26 to 100 are not used.
constexpr CodiceErrore kCodici[] = {
    {1, kNessuna, "the line is longer than 1,000,000 m"},
    {2, kNessuna, "a chainage reference's position or value is not a multiple of 50 m"},
    {3, kNessuna, "the first signal repetition distance is not a multiple of 50 m"},
    {4, kNessuna, "the second signal repetition distance is not a multiple of 50 m"},
    {5, kNessuna, "the signal repetition line names neither 4 nor 9 codes"},
    {6, kPosizione, "a name board stands on an occupied cell"},
    {7, kPosizione, "an abbattimento point stands on an occupied cell"},
    {8, kPosizione, "the station position is not a multiple of 50 m"},
    {9, kPosizione, "the station's platform length is not a multiple of 100 m"},
    {10, kNessuna, "too many stations: they reach the records taken by the line's name boards"},
    {11, kPosizione, "no free cell in front of a signal before a slowdown warning board"},
    {12, kPosizione, "no free cell in a window before a slowdown start"},
    {13, kPosizione, "no free cell for a point inside a slow slowdown or in front of the signal after it"},
    {15, kPosizione, "the item with its margin (100 m for most items) runs past the last cell of the grid"},
    {16, kPosizione, "a signal stands on an occupied cell"},
    {17, kPosizione, "the slowdown's warning board cell is occupied"},
    {18, kPosizione, "the slowdown's start cell is occupied"},
    {19, kPosizione, "the slowdown's end cell is occupied"},
    {20, kPosizione, "the slowdown's pre-warning cells are occupied"},
    {21, kPosizione, "a speed indicator board stands on an occupied cell"},
    {22, kPosizione, "the platform starts less than 350 m after the previous station's platform end"},
    {24, kNessuna, "a stopping station's platform ends at or before 100 m"},
    {25, kNessuna, "a description file cannot be read, or a field is not a number or does not fit its width"},
    {101, kNessuna, "the line description file does not exist"},
    {102, kNessuna, "the line description file has no \"[generale]\" heading"},
    {103, kNessuna, "a curve line has no curve class, or a curve runs the track plan past 1,000,000 m"},
    {1250, kNessuna, "an item was placed in cell 1 (dato1) or record 85 (campo7), which are reserved for the scenario's marker"},
    {1251, kNessuna, "an item was placed in cell 1 (dato2) or record 85 (orario), which are reserved for the check codes"},
};

}  // namespace

std::span<const CodiceErrore> tabella_codici() { return kCodici; }

const CodiceErrore* cerca_codice(int32_t codice) {
  const auto* riga = std::find_if(std::begin(kCodici), std::end(kCodici),
                                  [codice](const CodiceErrore& c) { return c.codice == codice; });
  return riga == std::end(kCodici) ? nullptr : riga;
}

std::string riga_codice(std::string_view scenario, int32_t codice, int32_t posizione,
                        std::string_view dettaglio) {
  const CodiceErrore* riga = cerca_codice(codice);
  std::string testo(scenario);
  testo += ": error " + std::to_string(codice);
  if (riga != nullptr && riga->con_posizione) testo += " at " + std::to_string(posizione) + " m";
  testo += ": ";
  testo += riga != nullptr ? riga->significato : "not a code of this builder";
  if (!dettaglio.empty()) {
    // The report is one line whatever the detail holds.
    std::string una_riga(dettaglio);
    std::replace_if(una_riga.begin(), una_riga.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    testo += " (" + una_riga + ")";
  }
  return testo;
}
