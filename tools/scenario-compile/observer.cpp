#include "observer.h"

#include <algorithm>
#include <optional>

#include "app/error_codes.h"
#include "model/chainage.h"

std::string position_text(const RecordTable& voci, int32_t posizione) {
  std::string text = " (at " + std::to_string(posizione) + " m";
  if (const std::optional<std::string> km = chainage_at(voci, posizione)) text += ", " + *km;
  return text + ")";
}

void Observer::chainage_dropped() {
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = DescriptionFile::line;
  d.message =
      "the chainage references are dropped: the largest position is shared by two of them, "
      "or none has a chainage above 0; the compiled line carries no chainage";
  report_.add(std::move(d));
}

// Every code is kept as the build records it, with the entry it names: the
// build knows which field concerns the code, the grid scan's codes included.
void Observer::code_recorded(int32_t code, int32_t position, const SourceLocation& entry) {
  recorded_codes_.push_back({code, position, entry});
}

namespace {

/// Codes recorded once both files are read: the grid scan's and the
/// chainage test's, and the guards.
bool after_reading(int32_t code) {
  return code == 2 || code == 11 || code == 12 || code == 13 || code == 1250 || code == 1251;
}

}  // namespace

ReadingStops Observer::reading_stops() const {
  ReadingStops stops;
  for (const RecordedCode& r : recorded_codes_) {
    if (after_reading(r.code)) continue;
    ReadingStop& stop = r.location.file == DescriptionFile::line ? stops.line : stops.train;
    if (!stop.read || stop.riga) continue;
    if (r.location.end_of_file || r.location.riga <= 0) {
      // Code 102 (the line file read to its end) or a file that cannot be read.
      if (r.location.file == DescriptionFile::line) stops.train.read = false;
      continue;
    }
    stop.riga = r.location.riga;
    if (r.location.file == DescriptionFile::line && r.code != 15 && !stops.train.riga)
      stops.train.read = false;
  }
  return stops;
}

void Observer::report_codes(std::string_view detail) {
  for (size_t i = 0; i < recorded_codes_.size(); ++i) {
    const RecordedCode& r = recorded_codes_[i];
    const SourceLocation& location = r.location;
    const ErrorCode* row = find_code(r.code);
    const bool has_position = row != nullptr && row->has_position;

    Diagnostic d;
    d.file = location.file;
    d.riga = location.end_of_file ? static_cast<int32_t>(report_.file(location.file).lines.size())
                                  : location.riga;
    d.column = location.end_of_file ? 0 : location.column;
    d.show_line = !location.end_of_file;
    const std::string posizione = has_position ? position_text(form_.voci, r.posizione) : "";
    // A code 15 left by the line half stops the train half at its first
    // signal or slowdown, which records it again there.
    if (r.code == 15 && i > 0 && recorded_codes_[i - 1].code == r.code) {
      d.severity = Severity::note;
      d.message = "code " + std::to_string(r.code) + " recorded again" + posizione +
                  "; the reading of this file stops here";
    } else {
      d.code = r.code;
      d.message = std::string(row != nullptr ? row->meaning : "not a code of this builder") +
                  posizione;
      if (r.code == 25 && !detail.empty()) d.message += " (" + std::string(detail) + ")";
    }
    report_.add(std::move(d));
  }
}
