#include "app/error_codes.h"

#include <algorithm>

namespace {

constexpr bool kPosition = true;
constexpr bool kNone = false;

// One row per code, ascending; 14, 23 and 26 to 100 are not used.
constexpr ErrorCode kCodes[] = {
    {1, kNone, "the line is longer than 1,000,000 m"},
    {2, kNone, "a chainage reference's position or value is not a multiple of 50 m"},
    {3, kNone, "the first signal repetition distance is not a multiple of 50 m"},
    {4, kNone, "the second signal repetition distance is not a multiple of 50 m"},
    {5, kNone, "the signal repetition line names neither 4 nor 9 codes"},
    {6, kPosition, "a name board stands on an occupied cell"},
    {7, kPosition, "an abbattimento point stands on an occupied cell"},
    {8, kPosition, "the station position is not a multiple of 50 m"},
    {9, kPosition, "the station's platform length is not a multiple of 100 m"},
    {10, kNone, "too many stations: they reach the records taken by the line's name boards"},
    {11, kPosition, "no free cell in front of a signal before a slowdown warning board"},
    {12, kPosition, "no free cell in a window before a slowdown start"},
    {13, kPosition, "no free cell for a point inside a slow slowdown or in front of the signal after it"},
    {15, kPosition, "the item with its margin (100 m for most items) runs past the last cell of the grid"},
    {16, kPosition, "a signal stands on an occupied cell"},
    {17, kPosition, "the slowdown's warning board cell is occupied"},
    {18, kPosition, "the slowdown's start cell is occupied"},
    {19, kPosition, "the slowdown's end cell is occupied"},
    {20, kPosition, "the slowdown's pre-warning cells are occupied"},
    {21, kPosition, "a speed indicator board stands on an occupied cell"},
    {22, kPosition, "the platform starts less than 350 m after the previous station's platform end"},
    {24, kNone, "a stopping station's platform ends at or before 100 m"},
    {25, kNone, "a description file cannot be read, or a field is not a number or does not fit its width"},
    {101, kNone, "the line description file does not exist"},
    {102, kNone, "the line description file has no \"[generale]\" heading"},
    {103, kNone, "a curve line has no curve class, or a curve runs the track plan past 1,000,000 m"},
    {1250, kNone, "an item was placed in cell 1 (dato1) or record 85 (campo7), which are reserved for the scenario's marker"},
    {1251, kNone, "an item was placed in cell 1 (dato2) or record 85 (orario), which are reserved for the check codes"},
};

}  // namespace

std::span<const ErrorCode> code_table() { return kCodes; }

const ErrorCode* find_code(int32_t code) {
  const auto* riga = std::find_if(std::begin(kCodes), std::end(kCodes),
                                  [code](const ErrorCode& c) { return c.code == code; });
  return riga == std::end(kCodes) ? nullptr : riga;
}

std::string code_line(std::string_view scenario, int32_t code, int32_t posizione,
                      std::string_view detail) {
  const ErrorCode* riga = find_code(code);
  std::string text(scenario);
  text += ": error " + std::to_string(code);
  if (riga != nullptr && riga->has_position) text += " at " + std::to_string(posizione) + " m";
  text += ": ";
  text += riga != nullptr ? riga->meaning : "not a code of this builder";
  if (!detail.empty()) {
    // The report is one line whatever the detail holds.
    std::string one_line(detail);
    std::replace_if(one_line.begin(), one_line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    text += " (" + one_line + ")";
  }
  return text;
}
