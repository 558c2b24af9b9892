#include "observer.h"

#include <algorithm>
#include <optional>
#include <span>

#include "app/error_codes.h"
#include "model/chainage.h"
#include "model/numbers.h"
#include "platform/ansi.h"

std::string position_text(const RecordTable& voci, int32_t posizione) {
  std::string text = " (at " + std::to_string(posizione) + " m";
  if (const std::optional<std::string> km = chainage_at(voci, posizione)) text += ", " + *km;
  return text + ")";
}

void Observer::entry_read(DescriptionFile file, int32_t line, std::string_view entry,
                          int32_t position) {
  entries_.push_back({file, line, std::string(entry), position});
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

std::vector<ReadField>* Observer::field_log(DescriptionFile file) {
  std::vector<ReadField>& log = fields_[file == DescriptionFile::line ? 0 : 1];
  log.clear();
  return &log;
}

void Observer::forget_fields() {
  for (std::vector<ReadField>& log : fields_) std::vector<ReadField>().swap(log);
}

// Every code is kept as the build records it, with the entry it names: the
// build knows which field concerns the code, the grid scan's codes included.
void Observer::code_recorded(int32_t code, int32_t position, const SourceLocation& entry,
                             std::optional<int64_t> cell) {
  recorded_codes_.push_back({code, position, entry, cell, entries_before_last()});
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
  stops.line.fields = fields_[0];
  stops.train.fields = fields_[1];
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

namespace {

int64_t cell_at(double cells) { return static_cast<int64_t>(nearest(cells)); }

std::string quoted_name(const std::string& nome) { return "\"" + cp1252_to_utf8(nome) + "\""; }

}  // namespace

const Observer::ReadEntry* Observer::entry_in_cell(std::string_view kind, int64_t cell,
                                                   size_t entries_before) const {
  const ReadEntry* found = nullptr;
  for (const ReadEntry& e : std::span(entries_).first(std::min(entries_before, entries_.size()))) {
    if (e.kind != kind) continue;
    const int64_t at = kind == "abbattimento" ? cell_at(e.posizione / 50.0)
                                              : cell_at(e.posizione / 50.0 + 1);
    if (at == cell) found = &e;
  }
  return found;
}

std::string Observer::occupant(int64_t cell, DescriptionFile from, size_t entries_before) const {
  const CellGrid& percorso = form_.percorso;
  if (cell < 0 || cell >= static_cast<int64_t>(percorso.size())) return {};
  const cella& c = percorso[static_cast<size_t>(cell)];
  if (cell_is_free(c)) return {};
  return ": cell " + std::to_string(cell) + " already holds " +
         holder(c, cell, from, entries_before);
}

void Observer::stop_cell_over_item(int64_t cell, int32_t station, const SourceLocation& entry) {
  const cella& c = form_.percorso[static_cast<size_t>(cell)];
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = entry.file;
  d.riga = entry.riga;
  d.column = entry.column;
  d.message = "the stop cell of station " +
              quoted_name(form_.voci[static_cast<size_t>(station)].nome) + " (cell " +
              std::to_string(cell) + ") erases " +
              holder(c, cell, entry.file, entries_before_last());
  report_.add(std::move(d));
}

std::string Observer::holder(const cella& c, int64_t cell, DescriptionFile from,
                             size_t entries_before) const {
  std::string what;
  std::optional<DescriptionFile> file;
  int32_t riga = 0;
  const auto from_entry = [&](const ReadEntry* e) {
    if (e) file = e->file, riga = e->riga;
  };
  switch (c.tipo) {
    case cell_type::segnale:
    case cell_type::slowdown_end:
    case cell_type::slowdown_start:
    case cell_type::slowdown_warning:
    case cell_type::slowdown_pre_warning:
      what = c.tipo == cell_type::segnale ? "a signal" : "a slowdown's cell";
      if (static_cast<size_t>(cell) < form_.cell_origins.size() &&
          form_.cell_origins[static_cast<size_t>(cell)].riga > 0) {
        file = form_.cell_origins[static_cast<size_t>(cell)].file;
        riga = form_.cell_origins[static_cast<size_t>(cell)].riga;
      }
      break;
    case cell_type::speed_limit_boards:
      what = "speed-limit boards";
      from_entry(entry_in_cell("indicatori_vmax", cell, entries_before));
      break;
    case cell_type::name_board:
      what = "the name board";
      if (c.dato1 >= 1 && c.dato1 <= fixed_record::first_board)
        what += " " + quoted_name(form_.voci[static_cast<size_t>(c.dato1)].nome);
      from_entry(entry_in_cell("cartello_indicatore", cell, entries_before));
      break;
    case cell_type::station_stop: {
      const int32_t s = c.dato1;
      what = "the stop cell of station";
      if (s >= 1 && s <= fixed_record::first_board)
        what += " " + quoted_name(form_.voci[static_cast<size_t>(s)].nome);
      int32_t seen = 0;
      for (const ReadEntry& e : entries_)
        if (e.kind == "stazione" && ++seen == s) from_entry(&e);
      break;
    }
    case cell_type::abbattimento:
    case cell_type::abbattimento_without_value:
      what = "an abbattimento point";
      from_entry(entry_in_cell("abbattimento", cell, entries_before));
      break;
    default:
      what = "an item of cell type " + std::to_string(c.tipo);
  }
  std::string text = what;
  if (file && riga > 0)
    text += std::string(" of line ") + std::to_string(riga) +
            (*file == from ? "" : *file == DescriptionFile::line ? " of the line description"
                                                                  : " of the train description");
  return text;
}

void Observer::report_codes(std::string_view detail) {
  for (size_t i = 0; i < recorded_codes_.size(); ++i) {
    const RecordedCode& r = recorded_codes_[i];
    const SourceLocation& location = r.location;
    const ErrorCode* row = find_code(r.code);
    const bool has_position = row != nullptr && row->has_position;

    Diagnostic d;
    d.file = location.file;
    d.riga = location.end_of_file ? static_cast<int32_t>(report_.file(location.file).line_count())
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
      if (r.cell) d.message += occupant(*r.cell, location.file, r.entries_before);
      if (r.code == 25 && !detail.empty()) d.message += " (" + std::string(detail) + ")";
    }
    report_.add(std::move(d));
  }
}
