#include "source_checks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/error_codes.h"
#include "compile/item_cells.h"
#include "model/chainage.h"
#include "model/numbers.h"
#include "observer.h"
#include "platform/ansi.h"
#include "source_scan.h"

using source_scan::Entry;
using source_scan::Failure;
using source_scan::Field;
using source_scan::FieldShape;
using source_scan::in_quotes;
using source_scan::keyword_of_file;
using source_scan::looks_like_heading;
using source_scan::Scan;
using source_scan::swallows;
using source_scan::Width;

namespace {

// ----- The checks over what was read -----

/// The chainage references of the line file as the build keeps them: a
/// reference with flag 1 gains 100 m; none at all when no position is the
/// largest alone (or, all positions 0, none has a chainage above 0). Their
/// order does not matter to the chainage of a position.
RecordTable references(const Scan& line) {
  RecordTable voci{};
  std::array<std::array<int64_t, 3>, 3> refs{};  // position, chainage, flag
  for (const Entry& e : line.entries()) {
    const std::string_view kind = e.shape->kind;
    const size_t which = kind.ends_with("tre") ? 0 : kind.ends_with("due") ? 1 : 2;
    if (kind.starts_with("progressiva"))
      refs[which] = {e.fields[0].number, e.fields[1].number, e.fields[2].number};
  }
  int64_t sum = 0, largest = INT64_MIN;
  size_t at_largest = 0;
  bool chainage_above_0 = false;
  for (const auto& r : refs) {
    sum += r[0];
    chainage_above_0 = chainage_above_0 || r[1] > 0;
    if (r[0] > largest) {
      largest = r[0];
      at_largest = 0;
    }
    if (r[0] == largest) ++at_largest;
  }
  if (sum != 0 ? at_largest != 1 : !chainage_above_0) return voci;
  for (size_t i = 0; i < refs.size(); ++i) {
    voce& v = voci[static_cast<size_t>(fixed_record::chainage_1) + i];
    v.inizio = static_cast<int32_t>(refs[i][0]);
    v.fine = wrap32(refs[i][1] + (refs[i][2] == 1 ? 100 : 0));
    v.posizione = static_cast<int32_t>(refs[i][2]);
  }
  return voci;
}

class Checker {
 public:
  Checker(Report& report, const ReadingStops& stops)
      : report_(report),
        stops_(stops),
        line_(DescriptionFile::line, report.file(DescriptionFile::line), stops.line.fields),
        train_(DescriptionFile::train, report.file(DescriptionFile::train), stops.train.fields),
        voci_(references(line_)) {}

  void run();

 private:
  const Scan& scan(DescriptionFile f) const { return f == DescriptionFile::line ? line_ : train_; }
  const ReadingStop& stop(DescriptionFile f) const {
    return f == DescriptionFile::line ? stops_.line : stops_.train;
  }
  bool after_stop(DescriptionFile f, int32_t riga) const {
    const ReadingStop& s = stop(f);
    return !s.read || (s.riga && riga > *s.riga);
  }

  void read_failures(DescriptionFile f);
  void explain_build_failure(DescriptionFile f, const Failure& failure, const Diagnostic& cause);
  void entry_checks(DescriptionFile f);
  void single_entry_codes(DescriptionFile f, const Entry& e);
  void grid_code(DescriptionFile f, const Entry& e);
  void stored_widths(DescriptionFile f, const Entry& e);
  void clock_times(DescriptionFile f, const Entry& e);
  void swallowed_text(DescriptionFile f, const Entry& e);
  void heading_key(DescriptionFile f, const Entry& e);
  void curve_side(const Entry& e);
  void curve_length(const Entry& e);
  void tunnel(const Entry& e);
  void slowdown_length(const Entry& e);
  void order_and_overlap(DescriptionFile f);
  void past_the_end(DescriptionFile f);

  void warn(DescriptionFile f, const Entry& e, size_t field, std::string message);
  void further_error(DescriptionFile f, int32_t riga, int32_t column, int32_t code,
                     std::string message);
  std::string at(int32_t posizione) const { return position_text(voci_, posizione); }
  /// "5950 m", with the chainage in parentheses where the line gives it.
  std::string metres(int32_t posizione) const {
    const std::optional<std::string> km = chainage_at(voci_, posizione);
    return std::to_string(posizione) + " m" + (km ? " (" + *km + ")" : "");
  }
  std::optional<int64_t> last_cell() const;

  Report& report_;
  const ReadingStops& stops_;
  Scan line_;
  Scan train_;
  const RecordTable voci_;  ///< the chainage references only, as the build keeps them
  std::vector<std::pair<DescriptionFile, int32_t>> failed_lines_;  ///< lines whose reading failed
};

void Checker::run() {
  if (!stops_.train.read)
    report_.add({Severity::note, 0, DescriptionFile::train, 0, false,
                 "not compiled: the build stopped in the line description; this file was "
                 "only checked",
                 {}});
  for (const DescriptionFile f : {DescriptionFile::line, DescriptionFile::train}) {
    for (const Diagnostic& d : scan(f).key_warnings()) report_.add(d);
    read_failures(f);
    entry_checks(f);
    order_and_overlap(f);
    past_the_end(f);
  }
}

void Checker::warn(DescriptionFile f, const Entry& e, size_t field, std::string message) {
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = f;
  d.riga = field < e.fields.size() ? e.fields[field].riga : e.riga;
  d.column = field < e.fields.size() ? e.fields[field].column : e.column;
  d.message = std::move(message);
  report_.add(std::move(d));
}

void Checker::further_error(DescriptionFile f, int32_t riga, int32_t column, int32_t code,
                            std::string message) {
  Diagnostic d;
  d.file = f;
  d.riga = riga;
  d.column = column;
  d.code = code;
  d.message = std::move(message) + " (found after the build stopped)";
  report_.add(std::move(d));
}

std::optional<int64_t> Checker::last_cell() const {
  const std::optional<int64_t> length = line_.length();
  if (!length || *length < 0 || *length > 1000000) return std::nullopt;
  return static_cast<int64_t>(nearest((static_cast<double>(*length) + 7000) / 50.0));
}

// ----- Fields that cannot be read -----

// The cause of a field that cannot be read, as one message: a value missing
// from its entry is told at the entry, just after its last field; a heading
// that starts an entry at the heading; any other at the field itself.
Diagnostic cause_of(DescriptionFile f, const Failure& failure) {
  Diagnostic d;
  d.file = f;
  d.code = 25;
  d.riga = failure.riga;
  d.column = failure.column;
  const Entry& e = failure.entry;
  if (e.shape == nullptr) {
    d.message = failure.what;
    return d;
  }
  const FieldShape& field = e.shape->fields[std::min(e.fields.size(), e.shape->fields.size() - 1)];
  const std::string name(e.shape->kind);
  if (looks_like_heading(e.key)) {
    d.riga = e.riga;
    d.column = e.column;
    d.message = "the heading " + in_quotes(e.key) + " holds the keyword \"" +
                std::string(e.shape->words.first) + "\" and starts a " + name +
                " entry, which finds no " + std::string(field.name) +
                (failure.end_of_file ? " before the file ends"
                                     : " (" + in_quotes(failure.token) + " on line " +
                                           std::to_string(failure.riga) + " is not a number)") +
                ": a heading must hold no keyword";
    return d;
  }
  if (failure.missing) {
    d.riga = e.fields.empty() ? e.riga : e.fields.back().riga;
    d.column = e.fields.empty() ? e.end_column : e.fields.back().end_column;
    d.message = name + ": missing the " + std::string(field.name);
    if (field.width != Width::text && !field.name.ends_with("value")) d.message += " value";
    d.message += failure.end_of_file && failure.token.empty()
                     ? " (the file ends)"
                     : " (the next field, " + in_quotes(failure.token) + " on line " +
                           std::to_string(failure.riga) + ", is not a number)";
    return d;
  }
  d.message = name + ": the " + std::string(field.name) + " field: " + failure.what;
  return d;
}

void Checker::read_failures(DescriptionFile f) {
  for (const Failure& failure : scan(f).failures()) {
    failed_lines_.emplace_back(f, failure.riga);
    const Diagnostic cause = cause_of(f, failure);
    const int32_t entry_line = failure.entry.shape ? failure.entry.riga : failure.riga;
    if (after_stop(f, entry_line)) {
      Diagnostic d = cause;
      d.message += " (found after the build stopped)";
      report_.add(std::move(d));
    } else {
      explain_build_failure(f, failure, cause);
    }
  }
}

// The build's own code 25 for this field is told by its cause instead.
void Checker::explain_build_failure(DescriptionFile f, const Failure& failure,
                                    const Diagnostic& cause) {
  for (Diagnostic& d : report_.diagnostics()) {
    if (d.code != 25 || d.file != f || d.riga != failure.riga || d.column != failure.column)
      continue;
    d.riga = cause.riga;
    d.column = cause.column;
    d.message = cause.message;
    return;
  }
}

// ----- One entry at a time -----

void Checker::entry_checks(DescriptionFile f) {
  for (const Entry& e : scan(f).entries()) {
    if (after_stop(f, e.riga)) {
      single_entry_codes(f, e);
      grid_code(f, e);
    }
    stored_widths(f, e);
    clock_times(f, e);
    swallowed_text(f, e);
    heading_key(f, e);
    if (e.shape->kind == "curva") {
      curve_side(e);
      curve_length(e);
    }
    if (e.shape->kind == "montagna") tunnel(e);
    if (e.shape->kind == "rallentamento") slowdown_length(e);
  }
}

// The codes of single entries that need no build state, for the part of a
// file the build did not read.
void Checker::single_entry_codes(DescriptionFile f, const Entry& e) {
  const std::string_view kind = e.shape->kind;
  const auto code = [&](size_t field, int32_t c, std::string message) {
    further_error(f, e.fields[field].riga, e.fields[field].column, c, std::move(message));
  };
  if (kind == "lunghezza percorso" && e.fields[0].number > 1000000)
    code(0, 1, "the line length " + std::to_string(e.fields[0].number) +
                   " m is longer than 1,000,000 m");
  if (kind == "ripetizione segnali") {
    if (e.fields[0].number % 50 != 0)
      code(0, 3, "the first signal repetition distance is not a multiple of 50 m");
    else if (e.fields[1].number % 50 != 0)
      code(1, 4, "the second signal repetition distance is not a multiple of 50 m");
    else if (!contains(e.key, "4") && !contains(e.key, "9"))
      further_error(f, e.riga, e.column, 5,
                    "the signal repetition key names neither 4 nor 9 codes");
  }
  if (kind == "curva" && e.key.find_first_of("123456") == std::string::npos)
    further_error(f, e.riga, e.column, 103,
                  "the curve key " + in_quotes(e.key) + " has no class digit (1 to 6)");
  if (kind == "stazione") {
    if (e.fields[0].number % 50 != 0)
      code(0, 8, "the station position is not a multiple of 50 m" + at(e.position()));
    else if (e.fields[2].number % 100 != 0)
      code(2, 9, "the platform length " + std::to_string(e.fields[2].number) +
                     " m is not a multiple of 100 m" + at(e.position()));
  }
}

void Checker::grid_code(DescriptionFile f, const Entry& e) {
  const std::optional<int64_t> n = last_cell();
  if (!e.positioned() || !n) return;
  if (int64_t{e.position()} + e.shape->margin <= 50 * *n) return;
  further_error(f, e.fields[0].riga, e.fields[0].column, 15,
                std::string(e.shape->kind) + " with its margin of " +
                    std::to_string(e.shape->margin) + " m runs past the last cell of the grid" +
                    at(e.position()));
}

/// A value the stored width does not keep: the entry kind, the field, the
/// range the width keeps, and how the value is stored.
struct StoredWidth {
  std::string_view kind;
  size_t field;
  int64_t lowest, highest;
  int64_t (*stored)(int64_t);
  std::string_view what;  ///< how the stored value is to be read
};

int64_t gradient_byte(int64_t v) { return low_byte(v + 100); }
int64_t sixteen_bits(int64_t v) { return wrap16(v); }
int64_t one_byte(int64_t v) { return low_byte(v); }

const StoredWidth kStoredWidths[] = {
    {"pendenza", 1, -100, 155, gradient_byte, "per mille + 100 in one byte"},
    {"indicatori_vmax", 4, INT16_MIN, INT16_MAX, sixteen_bits, "16 bits"},
    {"indicatori_vmax", 8, INT16_MIN, INT16_MAX, sixteen_bits, "16 bits"},
    {"aderenza", 1, 0, 255, one_byte, "one byte"},
    {"abbattimento", 1, INT32_MIN, INT16_MAX, sixteen_bits, "16 bits"},
};

void Checker::stored_widths(DescriptionFile f, const Entry& e) {
  for (const StoredWidth& w : kStoredWidths) {
    if (w.kind != e.shape->kind || w.field >= e.fields.size()) continue;
    const int64_t v = e.fields[w.field].number;
    if (v >= w.lowest && v <= w.highest) continue;
    const int64_t stored = w.stored(v);
    std::string message = std::string(e.shape->kind) + ": the " +
                          std::string(e.shape->fields[w.field].name) + " " + std::to_string(v) +
                          " does not fit its stored width (" + std::string(w.what) +
                          "): it is stored as " + std::to_string(stored);
    if (w.kind == "pendenza") {
      const int64_t read = stored - 100;
      message += ", which the simulator reads as " + std::string(read > 0 ? "+" : "") +
                 std::to_string(read) + " per mille";
    }
    warn(f, e, w.field, std::move(message));
  }
}

/// An entry that holds a time of day: its hours, minutes and seconds are
/// three fields in a row, from `hours`.
struct ClockFields {
  std::string_view kind;
  size_t hours;
  bool stored_as_seconds;  ///< kept as seconds after midnight, not field by field
};

const ClockFields kClockFields[] = {
    {"orologio", 0, false},
    {"stazione", 13, true},
};

/// "26:15:00" for a number of seconds after midnight.
std::string clock_text(int64_t seconds) {
  const auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

// Minutes and seconds beyond 59 are no time of day, nor are negative hours;
// hours past 23 are left alone, as a timetable may run past midnight.
void Checker::clock_times(DescriptionFile f, const Entry& e) {
  for (const ClockFields& c : kClockFields) {
    if (c.kind != e.shape->kind || c.hours + 2 >= e.fields.size()) continue;
    const int64_t hours = e.fields[c.hours].number, minutes = e.fields[c.hours + 1].number,
                  seconds = e.fields[c.hours + 2].number;
    for (size_t i = c.hours; i <= c.hours + 2; ++i) {
      const int64_t v = e.fields[i].number;
      const bool hours_field = i == c.hours;
      if (hours_field ? v >= 0 : v >= 0 && v <= 59) continue;
      std::string message = std::string(e.shape->kind) + ": the " +
                            std::string(e.shape->fields[i].name) + " value " +
                            std::to_string(v) + (hours_field ? " is below 0" : " is not 0 to 59");
      if (c.stored_as_seconds) {
        const int64_t stored = wrap32((hours * 60 + minutes) * 60 + seconds);
        message += ": the station time is stored as " + std::to_string(stored) +
                   " s after midnight" + (stored >= 0 ? ", " + clock_text(stored) : "");
      }
      warn(f, e, i, std::move(message));
    }
  }
}

// A text field that starts a later line and holds a keyword (or is a
// heading) is the next entry's key, taken as this entry's text: the text is
// missing, and the next entry is swallowed.
void Checker::swallowed_text(DescriptionFile f, const Entry& e) {
  for (size_t i = 0; i < e.fields.size(); ++i) {
    if (e.shape->fields[i].width != Width::text) continue;
    const Field& text = e.fields[i];
    const int32_t before = i == 0 ? e.riga : e.fields[i - 1].riga;
    if (!swallows(f, text.text, text.riga, before)) continue;
    const bool keyword = keyword_of_file(f, text.text).has_value();
    Diagnostic d;
    d.severity = Severity::warning;
    d.file = f;
    d.riga = i == 0 ? e.riga : e.fields[i - 1].riga;
    d.column = i == 0 ? e.end_column : e.fields[i - 1].end_column;
    const std::string name = std::string(e.shape->kind);
    d.message = name + ": the " + std::string(e.shape->fields[i].name) + " is missing: " +
                in_quotes(text.text) + " of line " + std::to_string(text.riga) +
                " is taken as the " + std::string(e.shape->fields[i].name) +
                (keyword ? ", and the entry of that line is lost" : "");
    report_.add(std::move(d));
  }
}

// A heading that holds a keyword starts that entry (the heading "[stazione]"
// starts a station). When its fields cannot be read the code's own message
// says so; otherwise it is a warning.
void Checker::heading_key(DescriptionFile f, const Entry& e) {
  if (!looks_like_heading(e.key)) return;
  for (const Failure& failure : scan(f).failures())
    if (failure.entry.shape != nullptr && failure.entry.riga == e.riga) return;
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = f;
  d.riga = e.riga;
  d.column = e.column;
  d.message = "the heading " + in_quotes(e.key) + " holds the keyword \"" +
              std::string(e.shape->words.first) + "\" and starts a " + std::string(e.shape->kind) +
              " entry: a heading must hold no keyword";
  report_.add(std::move(d));
}

// A tunnel covers its cells with kind 1 or 2, the types 11 and 12 adding a
// marker every 200 m.
void Checker::tunnel(const Entry& e) {
  if (e.fields.size() < 3) return;
  const int64_t inizio = e.fields[0].number, fine = e.fields[1].number, tipo = e.fields[2].number;
  if (tunnel_cells(e.fields[0].number, e.fields[1].number).empty())
    warn(DescriptionFile::line, e, 1,
         "montagna: the end " + std::to_string(fine) + " m is " +
             (fine <= inizio ? "not past" : "too close to") + " the start " +
             std::to_string(inizio) + " m: the tunnel covers no cell");
  if (tipo != 1 && tipo != 2 && tipo != 11 && tipo != 12)
    warn(DescriptionFile::line, e, 2,
         "montagna: the type " + std::to_string(tipo) +
             " is not 1, 2, 11 or 12 (tunnel kind 1 or 2, with markers from 11 up)");
}

// The side is taken from the key: any "s" makes a left-hand curve.
void Checker::curve_side(const Entry& e) {
  const std::string lower = lowercase(e.key);
  if (!contains(lower, "s") || !contains(lower, "d")) return;
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = DescriptionFile::line;
  d.riga = e.riga;
  d.column = e.column;
  d.message = "the curve key " + in_quotes(e.key) +
              " holds both \"s\" and \"d\": it is read as a left-hand curve (any \"s\" makes "
              "a curve left-hand; write \"curvas\" or \"curvad\")";
  report_.add(std::move(d));
}

// A curve bends the plan from its position for its length: none makes no curve.
void Checker::curve_length(const Entry& e) {
  if (e.fields.size() < 2 || e.fields[1].number > 0) return;
  warn(DescriptionFile::line, e, 1,
       "curva: the length " + std::to_string(e.fields[1].number) + " m makes no curve");
}

// A slowdown's end cell must come after its start cell: a length that puts
// it in the start's cell (which then overwrites it) or before leaves the
// slowdown without an end.
void Checker::slowdown_length(const Entry& e) {
  if (e.fields.size() < 3) return;
  const int32_t x = e.fields[0].number, l = e.fields[2].number;
  if (slowdown_end_cell(x, l) > slowdown_start_cell(x)) return;
  warn(DescriptionFile::train, e, 2,
       "rallentamento: the length " + std::to_string(l) +
           " m puts the end cell at or before the start cell: the slowdown has no end");
}

// ----- Entries against each other -----

/// The kinds of entry that cover a stretch of line from their position,
/// and where the stretch ends.
struct Stretch {
  std::string_view kind;
  std::string_view what;
  int64_t (*end)(const Entry&);
};

const Stretch kStretches[] = {
    {"curva", "curve",
     [](const Entry& e) -> int64_t { return int64_t{e.position()} + e.fields[1].number; }},
    {"montagna", "tunnel", [](const Entry& e) -> int64_t { return e.fields[1].number; }},
};

void Checker::order_and_overlap(DescriptionFile f) {
  std::vector<const Entry*> last;  // the last entry of each positioned kind
  for (const Entry& e : scan(f).entries()) {
    if (!e.positioned()) continue;
    const auto found = std::find_if(last.begin(), last.end(),
                                    [&](const Entry* l) { return l->shape == e.shape; });
    if (found == last.end()) {
      last.push_back(&e);
      continue;
    }
    const Entry& previous = **found;
    *found = &e;
    if (e.position() <= previous.position())
      warn(f, e, 0,
           std::string(e.shape->kind) + " at " + metres(e.position()) +
               " is not after the previous one at " + std::to_string(previous.position()) +
               " m (line " + std::to_string(previous.riga) +
               "): entries of this kind must be in ascending order of position");
    for (const Stretch& s : kStretches) {
      if (s.kind != e.shape->kind || previous.fields.size() < 2) continue;
      const int64_t end = s.end(previous);
      if (e.position() >= previous.position() && e.position() < end)
        warn(f, e, 0,
             std::string(s.kind) + " at " + metres(e.position()) + " overlaps the " +
                 std::string(s.what) + " of line " + std::to_string(previous.riga) + " (" +
                 std::to_string(previous.position()) + " m to " + std::to_string(end) + " m)");
    }
  }
}

// Inside the grid's margin but past the line's end: the build takes it, the
// simulator's line never reaches it.
void Checker::past_the_end(DescriptionFile f) {
  const std::optional<int64_t> length = line_.length();
  const std::optional<int64_t> n = last_cell();
  if (!length || !n) return;
  for (const Entry& e : scan(f).entries()) {
    if (!e.positioned() || e.position() <= *length) continue;
    if (int64_t{e.position()} + e.shape->margin > 50 * *n) continue;  // code 15
    warn(f, e, 0,
         std::string(e.shape->kind) + " at " + metres(e.position()) +
             " stands past the end of the line (" + std::to_string(*length) + " m) by " +
             std::to_string(e.position() - *length) + " m");
  }
}

}  // namespace

void check_sources(Report& report, const ReadingStops& stops) {
  Checker(report, stops).run();
}
