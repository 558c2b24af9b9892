#include "source_checks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/error_codes.h"
#include "compile/field_reader.h"
#include "compile/keywords.h"
#include "model/chainage.h"
#include "model/numbers.h"
#include "observer.h"
#include "platform/ansi.h"

namespace {

// ----- The entries and their fields, as the compilers read them -----

enum class Width { int32, int16, uint8, text };

struct FieldSpec {
  std::string_view name;  ///< as a message names the field
  Width width = Width::int32;
};

constexpr FieldSpec kLength[] = {{"length"}};
constexpr FieldSpec kReference[] = {{"position"}, {"chainage"}, {"flag"}};
constexpr FieldSpec kValue[] = {{"value"}};
constexpr FieldSpec kRepetition[] = {{"first distance"}, {"second distance"}};
constexpr FieldSpec kGradient[] = {{"position"}, {"per-mille value"}};
constexpr FieldSpec kCurve[] = {{"position"}, {"length"}};
constexpr FieldSpec kTunnel[] = {{"start"}, {"end"}, {"type"}};
constexpr FieldSpec kBoards[] = {{"position"}, {"vas"}, {"vbs"}, {"vcs"}, {"strisces"},
                                 {"vad"},      {"vbd"}, {"vcd"}, {"strisced"}};
constexpr FieldSpec kNameBoard[] = {{"position"}, {"board text", Width::text}};
constexpr FieldSpec kPercentage[] = {{"percentage"}};
constexpr FieldSpec kCars[] = {{"number of cars"}};
constexpr FieldSpec kSpeed[] = {{"position"}, {"speed"}};
constexpr FieldSpec kAdhesion[] = {{"position"}, {"adhesion value"}};
constexpr FieldSpec kClock[] = {
    {"hours", Width::int16}, {"minutes", Width::int16}, {"seconds", Width::int16}};
constexpr FieldSpec kSand[] = {{"sand value", Width::int16}};
constexpr FieldSpec kSignal[] = {{"position"}, {"sx"}, {"s1"}, {"s2"}, {"s3"}, {"rapp"},
                                 {"dx"},       {"d1"}, {"d2"}, {"d3"}, {"tempo"}};
constexpr FieldSpec kSlowdown[] = {{"position"}, {"v"}, {"l"}, {"f_tt"}, {"f_ta"}, {"d_v"}};
constexpr FieldSpec kPoint[] = {{"position"}, {"value"}};
constexpr FieldSpec kStation[] = {
    {"position"},           {"type", Width::uint8}, {"platform length"},
    {"F4", Width::uint8},   {"F5", Width::uint8},   {"F6", Width::uint8},
    {"F7", Width::int16},   {"F8", Width::int16},   {"F9", Width::uint8},
    {"F10", Width::int16},  {"F11", Width::int16},  {"F12", Width::int16},
    {"F13", Width::uint8},  {"hours"},              {"minutes"},
    {"seconds"},            {"name", Width::text}};

/// No position: a general entry.
constexpr int32_t kNoMargin = -1;

struct EntrySpec {
  std::string_view kind;  ///< the entry's own name, as the file writes its key
  const Keywords& words;
  std::span<const FieldSpec> fields;
  int32_t margin = kNoMargin;  ///< metres the item needs inside the grid beyond its position
};

using keywords::general_keys;
const EntrySpec kGeneralEntries[] = {
    {"lunghezza percorso", general_keys[0], kLength},
    {"progressiva chilometrica tre", general_keys[1], kReference},
    {"progressiva chilometrica due", general_keys[2], kReference},
    {"progressiva chilometrica uno", general_keys[3], kReference},
    {"sfondo uno", general_keys[4], kValue},
    {"sfondo due", general_keys[5], kValue},
    {"sfondo tre", general_keys[6], kValue},
    {"ripetizione segnali", general_keys[7], kRepetition},
};

const EntrySpec kLineEntries[] = {
    {"pendenza", keywords::line[0], kGradient, 100},
    {"curva", keywords::line[1], kCurve, 100},
    {"montagna", keywords::line[2], kTunnel, 100},
    {"indicatori_vmax", keywords::line[3], kBoards, 100},
    {"cartello_indicatore", keywords::line[4], kNameBoard, 100},
};

const EntrySpec kTrainEntries[] = {
    {"percentuale massa frenata", keywords::train[0], kPercentage},
    {"numero vetture", keywords::train[1], kCars},
    {"velocita", keywords::train[2], kSpeed, 100},
    {"aderenza", keywords::train[3], kAdhesion, 100},
    {"orologio", keywords::train[4], kClock},
    {"sabbia", keywords::train[5], kSand},
    {"segnale", keywords::train[6], kSignal, 100},
    {"rallentamento", keywords::train[7], kSlowdown, 100},
    {"abbattimento", keywords::train[8], kPoint, 100},
    {"stazione", keywords::train[9], kStation, 800},
};

// ----- What one reading finds -----

struct Field {
  int64_t number = 0;
  std::string text;
  int32_t riga = 0;
  int32_t column = 0;
  int32_t end_column = 0;
};

struct Entry {
  const EntrySpec* spec = nullptr;
  std::string key;
  int32_t riga = 0;  ///< the key's line
  int32_t column = 0;
  int32_t end_column = 0;
  std::vector<Field> fields;

  bool positioned() const { return spec->margin != kNoMargin; }
  int32_t position() const { return static_cast<int32_t>(fields[0].number); }
};

/// A field that could not be read, and the entry it belongs to.
struct Failure {
  Entry entry;           ///< with the fields read before it
  int32_t riga = 0;      ///< where the failing field starts
  int32_t column = 0;
  std::string what;      ///< the reader's words
  std::string token;     ///< the failing field as it stands in the line
  bool missing = false;  ///< the entry lacks the field: the next line's first field or the file's end stands for it
  bool end_of_file = false;
};

enum class Section { before_general, general, entries };

/// A file is read on after this many fields that cannot be read no more:
/// past them, the file is hardly a description file.
constexpr size_t kMostFailures = 50;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool looks_like_heading(std::string_view key) { return contains(key, "[") && contains(key, "]"); }

/// A number, or nothing: the value of an entry read where a key was expected.
bool looks_like_value(std::string_view key) {
  const size_t start = key.find_first_not_of(" \t");
  if (start == std::string_view::npos) return true;
  std::string_view digits = key.substr(start);
  if (digits.front() == '-' || digits.front() == '+') digits.remove_prefix(1);
  return !digits.empty() &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// The first field of a line, as far as its first comma.
std::string_view first_field(std::string_view riga) { return riga.substr(0, riga.find(',')); }

std::string in_quotes(std::string_view text) { return "\"" + cp1252_to_utf8(text) + "\""; }

template <size_t N>
bool holds_keywords(const std::array<Keywords, N>& rows, std::string_view key) {
  const std::string lower = lowercase(key);
  return std::any_of(rows.begin(), rows.end(), [&](const Keywords& k) {
    return contains(lower, k.first) && contains(lower, k.second);
  });
}

/// The general section ends after a key that, without its leading blanks,
/// does not begin with "-" and holds both "[" and "]".
bool closes_general(std::string_view key) {
  const size_t start = key.find_first_not_of(" \t");
  if (start != std::string_view::npos && key[start] == '-') return false;
  return looks_like_heading(key);
}

/// The keyword of `rows` that `text` holds, if any: the first word of its row.
template <size_t N>
std::optional<std::string_view> keyword_in(const EntrySpec (&rows)[N], std::string_view text) {
  const std::string lower = lowercase(text);
  for (const EntrySpec& spec : rows)
    if (spec.words.in(text, lower)) return spec.words.first;
  return std::nullopt;
}

std::optional<std::string_view> keyword_of_file(DescriptionFile file, std::string_view text) {
  return file == DescriptionFile::line ? keyword_in(kLineEntries, text)
                                       : keyword_in(kTrainEntries, text);
}

/// A text field that starts a later line than the field before it and
/// holds a keyword, or is a heading: the next entry's key or a heading taken
/// as this entry's text.
bool swallows(DescriptionFile file, std::string_view text, int32_t riga, int32_t before) {
  return riga > before && (keyword_of_file(file, text) || looks_like_heading(text));
}

/// How many letters must be inserted, removed or changed to make `a` into
/// `b`.
size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

/// The entry a misspelt key most likely meant: its key as written, within
/// two letters of the key.
std::optional<std::string_view> nearest_key(DescriptionFile file, Section section,
                                            std::string_view key) {
  const std::span<const EntrySpec> rows =
      file == DescriptionFile::train ? std::span<const EntrySpec>(kTrainEntries)
      : section == Section::general  ? std::span<const EntrySpec>(kGeneralEntries)
                                     : std::span<const EntrySpec>(kLineEntries);
  const std::string lower = lowercase(key);
  if (lower.size() < 4) return std::nullopt;
  std::optional<std::string_view> best;
  size_t best_distance = 3;
  for (const EntrySpec& spec : rows) {
    const size_t distance = edit_distance(lower, spec.kind);
    if (distance < best_distance) {
      best = spec.kind;
      best_distance = distance;
    }
  }
  return best;
}

/// One description file read as its compiler reads it, every entry kept
/// with the places of its fields. A field that cannot be read is noted and
/// the reading goes on at the next line (at the failing field's own line
/// when it is the first of its line: that line holds the next entry).
class Scan {
 public:
  Scan(DescriptionFile file, std::string_view content)
      : file_(file), content_(content), lines_(split_lines(content)) {
    line_starts_.push_back(0);
    for (size_t i = 0; i < content.size(); ++i) {
      if (content[i] != '\r' && content[i] != '\n') continue;
      if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      line_starts_.push_back(i + 1);
    }
    run();
  }

  const std::vector<Entry>& entries() const { return entries_; }
  const std::vector<Failure>& failures() const { return failures_; }
  /// Warnings about keys that start no entry, in the order they were read.
  const std::vector<Diagnostic>& key_warnings() const { return key_warnings_; }
  /// The length of the last line length entry, if any.
  std::optional<int64_t> length() const { return length_; }
  /// Swallowed keys: the line whose key a text field took.
  const std::vector<int32_t>& swallowed_lines() const { return swallowed_; }

 private:
  void run();
  bool find_general();
  bool general_section();
  void entries_section();
  std::optional<std::string> next_key(int comment_steps, bool end_stops_skip, Section section);
  std::string read_key();
  template <size_t N>
  bool dispatch(const EntrySpec (&rows)[N], const std::string& key);
  void read_entry(const EntrySpec& spec, const std::string& key);
  void note_failure(const ReadFailure& f);
  void drop(const std::string& key, Section section);
  void warn_key(int32_t riga, int32_t column, std::string message);
  const std::string& line_text(int32_t riga) const {
    static const std::string none;
    return riga >= 1 && static_cast<size_t>(riga) <= lines_.size()
               ? lines_[static_cast<size_t>(riga) - 1]
               : none;
  }

  const DescriptionFile file_;
  const std::string_view content_;
  const std::vector<std::string> lines_;
  std::vector<size_t> line_starts_;
  std::optional<FieldReader> reader_;

  int32_t key_line_ = 0, key_column_ = 0, key_end_ = 0;
  std::optional<Entry> reading_;  ///< the entry whose fields are being read
  std::vector<Entry> entries_;
  std::vector<Failure> failures_;
  std::vector<Diagnostic> key_warnings_;
  std::vector<Diagnostic> before_general_;  ///< told only once "[generale]" is found
  Section section_ = Section::before_general;
  bool discarded_values_ = false;  ///< the last key was reported: its values are not told again
  std::optional<int64_t> length_;
  std::vector<int32_t> swallowed_;
};

void Scan::run() {
  reader_.emplace(std::string(content_));
  for (;;) {
    try {
      if (section_ == Section::before_general) {
        if (!find_general()) return;
        section_ = file_ == DescriptionFile::line ? Section::general : Section::entries;
      }
      if (section_ == Section::general) {
        if (!general_section()) return;
        section_ = Section::entries;
      }
      entries_section();
      return;
    } catch (const ReadFailure& f) {
      note_failure(f);
      if (failures_.size() >= kMostFailures) return;
      const Failure& last = failures_.back();
      int32_t resume = f.line();
      if (!last.missing || last.end_of_file) {
        // The rest of the broken entry: the lines after it that start with a value.
        ++resume;
        while (static_cast<size_t>(resume) <= lines_.size() &&
               looks_like_value(first_field(line_text(resume))))
          ++resume;
      }
      if (resume < 1 || static_cast<size_t>(resume) > lines_.size() ||
          static_cast<size_t>(resume) >= line_starts_.size())
        return;
      reader_.emplace(std::string(content_.substr(line_starts_[static_cast<size_t>(resume) - 1])),
                      resume);
      discarded_values_ = false;
    }
  }
}

// The line file's last field never opens the section; the train file's may.
bool Scan::find_general() {
  while (!reader_->end_of_file()) {
    const std::string field = read_key();
    const bool last = reader_->end_of_file();
    if ((file_ == DescriptionFile::train || !last) && contains(lowercase(field), "[generale]")) {
      for (Diagnostic& d : before_general_) key_warnings_.push_back(std::move(d));
      before_general_.clear();
      return true;
    }
    drop(field, Section::before_general);
  }
  return false;
}

bool Scan::general_section() {
  while (!reader_->end_of_file()) {
    const std::optional<std::string> key = next_key(10, false, Section::general);
    if (!key) return false;
    if (!dispatch(kGeneralEntries, *key)) drop(*key, Section::general);
    if (closes_general(*key)) return true;
  }
  return false;
}

void Scan::entries_section() {
  const bool line_file = file_ == DescriptionFile::line;
  while (!reader_->end_of_file()) {
    const std::optional<std::string> key = next_key(2, true, Section::entries);
    if (!key) return;
    const bool recognised = line_file ? dispatch(kLineEntries, *key) : dispatch(kTrainEntries, *key);
    if (!recognised) drop(*key, Section::entries);
  }
}

std::optional<std::string> Scan::next_key(int comment_steps, bool end_stops_skip, Section section) {
  std::string key = read_key();
  if (reader_->end_of_file()) {
    drop(key, section);
    return std::nullopt;
  }
  for (int step = 0; step < comment_steps && contains(key, "-"); ++step) {
    key = read_key();
    if (end_stops_skip && reader_->end_of_file()) {
      drop(key, section);
      return std::nullopt;
    }
  }
  return key;
}

std::string Scan::read_key() {
  std::string key = reader_->read_text();
  key_line_ = reader_->riga();
  key_column_ = reader_->column();
  key_end_ = reader_->end_column();
  return key;
}

template <size_t N>
bool Scan::dispatch(const EntrySpec (&rows)[N], const std::string& key) {
  const std::string lower = lowercase(key);
  bool recognised = false;
  for (const EntrySpec& spec : rows) {
    if (!spec.words.in(key, lower)) continue;
    recognised = true;
    read_entry(spec, key);
  }
  if (recognised) discarded_values_ = false;
  return recognised;
}

void Scan::read_entry(const EntrySpec& spec, const std::string& key) {
  reading_ = Entry{&spec, key, key_line_, key_column_, key_end_, {}};
  for (const FieldSpec& f : spec.fields) {
    Field field;
    switch (f.width) {
      case Width::int32:
        field.number = reader_->read_int32();
        break;
      case Width::int16:
        field.number = reader_->read_int16();
        break;
      case Width::uint8:
        field.number = reader_->read_uint8();
        break;
      case Width::text:
        field.text = reader_->read_text();
        break;
    }
    field.riga = reader_->riga();
    field.column = reader_->column();
    field.end_column = reader_->end_column();
    const int32_t before = reading_->fields.empty() ? key_line_ : reading_->fields.back().riga;
    if (f.width == Width::text && swallows(file_, field.text, field.riga, before))
      swallowed_.push_back(field.riga);
    reading_->fields.push_back(std::move(field));
  }
  if (spec.kind == "lunghezza percorso") length_ = reading_->fields[0].number;
  entries_.push_back(std::move(*reading_));
  reading_.reset();
}

// A field that is the first of a line after the entry's own, and is no
// number, is not a value the author wrote for this entry: the entry lacks
// it, and the field is the next entry's key or a heading.
void Scan::note_failure(const ReadFailure& f) {
  Failure failure;
  failure.riga = f.line();
  failure.column = f.column();
  failure.what = f.what();
  const std::string prefix = "line " + std::to_string(f.line()) + ": ";
  if (failure.what.rfind(prefix, 0) == 0) failure.what.erase(0, prefix.size());
  failure.end_of_file = reader_->end_of_file();
  if (reading_) {
    failure.entry = std::move(*reading_);
    reading_.reset();
  } else {
    // The comment skip of the general section read past the file's end.
    failure.entry.riga = key_line_;
  }
  const std::string& riga = line_text(f.line());
  const size_t from = std::min(static_cast<size_t>(std::max(f.column(), 1) - 1), riga.size());
  size_t to = from;
  while (to < riga.size() && riga[to] != ',' && !is_blank(riga[to])) ++to;
  failure.token = riga.substr(from, to - from);
  const int32_t previous_line = failure.entry.fields.empty() ? failure.entry.riga
                                                             : failure.entry.fields.back().riga;
  const bool starts_its_line = riga.find_first_not_of(" \t") == from;
  failure.missing = failure.entry.spec != nullptr &&
                    (failure.end_of_file ||
                     (f.line() > previous_line && starts_its_line && !looks_like_value(failure.token)));
  failures_.push_back(std::move(failure));
}

void Scan::warn_key(int32_t riga, int32_t column, std::string message) {
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = file_;
  d.riga = riga;
  d.column = column;
  d.message = std::move(message);
  (section_ == Section::before_general ? before_general_ : key_warnings_).push_back(std::move(d));
}

// Headings, comments and the closing line are dropped by design. Values
// right after a reported key are part of that mistake and not told again.
// The keywords are compared case ignored whatever the entry's own rule, so
// that a general keyword written with capitals is recognised and explained.
void Scan::drop(const std::string& key, Section section) {
  if (looks_like_heading(key) || contains(key, "-")) {
    discarded_values_ = false;
    return;
  }
  if (std::find(swallowed_.begin(), swallowed_.end(), key_line_) != swallowed_.end()) {
    discarded_values_ = true;  // the line's key was taken as a text: told there
    return;
  }
  if (looks_like_value(key)) {
    if (section != Section::before_general && !discarded_values_)
      warn_key(key_line_, key_column_,
               key.find_first_not_of(" \t") == std::string::npos
                   ? "an empty field stands where a key was expected and is dropped"
                   : "value " + in_quotes(key) + " stands where a key was expected and is dropped");
    discarded_values_ = true;
    return;
  }
  discarded_values_ = true;
  const bool line_file = file_ == DescriptionFile::line;
  const std::string text = in_quotes(key);
  std::string dropped = "key " + text + " starts no entry and is dropped, with its values";
  if (const std::optional<std::string_view> near = nearest_key(file_, section, key))
    dropped += " (did you mean \"" + std::string(*near) + "\"?)";
  switch (section) {
    case Section::before_general:
      if (line_file ? holds_keywords(general_keys, key) || holds_keywords(keywords::line, key)
                    : holds_keywords(keywords::train, key))
        warn_key(key_line_, key_column_,
                 text + " ignored: outside its section (entries count only after \"[generale]\")");
      else
        discarded_values_ = false;  // free text before the start is allowed
      return;
    case Section::general:
      if (holds_keywords(keywords::line, key))
        warn_key(key_line_, key_column_,
                 text + " ignored: outside its section (line entries belong after the heading "
                        "that closes the general section)");
      else if (holds_keywords(general_keys, key))
        warn_key(key_line_, key_column_,
                 text + " starts no entry: the keywords of the general entries must be "
                        "written in lower case");
      else
        warn_key(key_line_, key_column_, dropped);
      return;
    case Section::entries:
      if (line_file && holds_keywords(general_keys, key))
        warn_key(key_line_, key_column_,
                 text + " ignored: outside its section (general entries belong before the "
                        "first heading after \"[generale]\")");
      else
        warn_key(key_line_, key_column_, dropped);
      return;
  }
}

// ----- The checks over what was read -----

/// The chainage references of the line file as the build keeps them: a
/// reference with flag 1 gains 100 m; none at all when no position is the
/// largest alone (or, all positions 0, none has a chainage above 0). Their
/// order does not matter to the chainage of a position.
RecordTable references(const Scan& line) {
  RecordTable voci{};
  std::array<std::array<int64_t, 3>, 3> refs{};  // position, chainage, flag
  for (const Entry& e : line.entries()) {
    const std::string_view kind = e.spec->kind;
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
  Checker(Report& report, const ReadingStops& stops, std::string_view line_content,
          std::string_view train_content)
      : report_(report),
        stops_(stops),
        line_(DescriptionFile::line, line_content),
        train_(DescriptionFile::train, train_content),
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
  void swallowed_text(DescriptionFile f, const Entry& e);
  void heading_key(DescriptionFile f, const Entry& e);
  void curve_side(const Entry& e);
  void order_and_overlap(DescriptionFile f);
  void past_the_end(DescriptionFile f);
  void erased_by_stations();

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
                 {}, 0, 0});
  for (const DescriptionFile f : {DescriptionFile::line, DescriptionFile::train}) {
    for (const Diagnostic& d : scan(f).key_warnings()) report_.add(d);
    read_failures(f);
    entry_checks(f);
    order_and_overlap(f);
    past_the_end(f);
  }
  erased_by_stations();
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
  if (e.spec == nullptr) {
    d.message = failure.what;
    return d;
  }
  const FieldSpec& field = e.spec->fields[std::min(e.fields.size(), e.spec->fields.size() - 1)];
  const std::string name(e.spec->kind);
  if (looks_like_heading(e.key)) {
    d.riga = e.riga;
    d.column = e.column;
    d.message = "the heading " + in_quotes(e.key) + " holds the keyword \"" +
                std::string(e.spec->words.first) + "\" and starts a " + name +
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
    const int32_t entry_line = failure.entry.spec ? failure.entry.riga : failure.riga;
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
    swallowed_text(f, e);
    heading_key(f, e);
    if (e.spec->kind == "curva") curve_side(e);
  }
}

// The codes of single entries that need no build state, for the part of a
// file the build did not read.
void Checker::single_entry_codes(DescriptionFile f, const Entry& e) {
  const std::string_view kind = e.spec->kind;
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
  if (int64_t{e.position()} + e.spec->margin <= 50 * *n) return;
  further_error(f, e.fields[0].riga, e.fields[0].column, 15,
                std::string(e.spec->kind) + " with its margin of " +
                    std::to_string(e.spec->margin) + " m runs past the last cell of the grid" +
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
    if (w.kind != e.spec->kind || w.field >= e.fields.size()) continue;
    const int64_t v = e.fields[w.field].number;
    if (v >= w.lowest && v <= w.highest) continue;
    const int64_t stored = w.stored(v);
    std::string message = std::string(e.spec->kind) + ": the " +
                          std::string(e.spec->fields[w.field].name) + " " + std::to_string(v) +
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

// A text field that starts a later line and holds a keyword (or is a
// heading) is the next entry's key, taken as this entry's text: the text is
// missing, and the next entry is swallowed.
void Checker::swallowed_text(DescriptionFile f, const Entry& e) {
  for (size_t i = 0; i < e.fields.size(); ++i) {
    if (e.spec->fields[i].width != Width::text) continue;
    const Field& text = e.fields[i];
    const int32_t before = i == 0 ? e.riga : e.fields[i - 1].riga;
    if (!swallows(f, text.text, text.riga, before)) continue;
    const bool keyword = keyword_of_file(f, text.text).has_value();
    Diagnostic d;
    d.severity = Severity::warning;
    d.file = f;
    d.riga = i == 0 ? e.riga : e.fields[i - 1].riga;
    d.column = i == 0 ? e.end_column : e.fields[i - 1].end_column;
    const std::string name = std::string(e.spec->kind);
    d.message = name + ": the " + std::string(e.spec->fields[i].name) + " is missing: " +
                in_quotes(text.text) + " of line " + std::to_string(text.riga) +
                " is taken as the " + std::string(e.spec->fields[i].name) +
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
    if (failure.entry.spec != nullptr && failure.entry.riga == e.riga) return;
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = f;
  d.riga = e.riga;
  d.column = e.column;
  d.message = "the heading " + in_quotes(e.key) + " holds the keyword \"" +
              std::string(e.spec->words.first) + "\" and starts a " + std::string(e.spec->kind) +
              " entry: a heading must hold no keyword";
  report_.add(std::move(d));
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

// ----- Entries against each other -----

void Checker::order_and_overlap(DescriptionFile f) {
  std::vector<const Entry*> last;  // the last entry of each positioned kind
  const Entry* previous_curve = nullptr;
  for (const Entry& e : scan(f).entries()) {
    if (!e.positioned()) continue;
    const auto found = std::find_if(last.begin(), last.end(),
                                    [&](const Entry* l) { return l->spec == e.spec; });
    if (found == last.end()) {
      last.push_back(&e);
    } else {
      if (e.position() <= (*found)->position())
        warn(f, e, 0,
             std::string(e.spec->kind) + " at " + metres(e.position()) +
                 " is not after the previous one at " + std::to_string((*found)->position()) +
                 " m (line " + std::to_string((*found)->riga) +
                 "): entries of this kind must be in ascending order of position");
      *found = &e;
    }
    if (e.spec->kind != "curva") continue;
    if (previous_curve != nullptr) {
      const int64_t end = int64_t{previous_curve->position()} + previous_curve->fields[1].number;
      if (e.position() >= previous_curve->position() && e.position() < end)
        warn(f, e, 0,
             "curva at " + metres(e.position()) + " overlaps the curve of line " +
                 std::to_string(previous_curve->riga) + " (" +
                 std::to_string(previous_curve->position()) + " m to " + std::to_string(end) +
                 " m)");
    }
    previous_curve = &e;
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
    if (int64_t{e.position()} + e.spec->margin > 50 * *n) continue;  // code 15
    warn(f, e, 0,
         std::string(e.spec->kind) + " at " + metres(e.position()) +
             " stands past the end of the line (" + std::to_string(*length) + " m) by " +
             std::to_string(e.position() - *length) + " m");
  }
}

/// The cell of a name board or a group of speed-limit boards.
int64_t board_cell(int32_t posizione) { return static_cast<int64_t>(nearest(posizione / 50.0 + 1)); }

/// The stop cell of a station entry, or none for the types that have none.
std::optional<int64_t> stop_cell(const Entry& station, bool first) {
  const int64_t p = station.position();
  const int64_t tipo = station.fields[1].number;
  const int64_t length = station.fields[2].number;
  if (tipo >= 25) return std::nullopt;
  const bool extended = !first && station.fields[5].number != 0;
  int64_t fine = 0;
  if (tipo == 5 || tipo == 6)
    fine = p + 150;
  else if (tipo == 7 || tipo == 8)
    fine = p + length;
  else
    fine = p + length / 2 + (extended ? 50 : 0);
  return static_cast<int64_t>(nearest(static_cast<double>(wrap32(fine)) / 50.0)) - 1;
}

// A station's stop cell is written whatever the cell holds: a board of the
// line that stands there is erased without a word from the build.
void Checker::erased_by_stations() {
  bool first = true;
  for (const Entry& station : train_.entries()) {
    if (station.spec->kind != "stazione") continue;
    const std::optional<int64_t> h = stop_cell(station, first);
    first = false;
    if (!h) continue;
    for (const Entry& board : line_.entries()) {
      if (board.spec->kind != "cartello_indicatore" && board.spec->kind != "indicatori_vmax")
        continue;
      if (board_cell(board.position()) != *h) continue;
      const bool name_board = board.spec->kind == "cartello_indicatore";
      warn(DescriptionFile::train, station, 0,
           "the stop cell of station " + in_quotes(station.fields.back().text) + " (cell " +
               std::to_string(*h) + ") erases the " +
               (name_board ? "name board " + in_quotes(board.fields[1].text)
                           : std::string("speed-limit boards")) +
               " at " + metres(board.position()) + " of line " +
               std::to_string(board.riga) + " of the line description");
    }
  }
}

}  // namespace

void check_sources(Report& report, const ReadingStops& stops, std::string_view line_content,
                   std::string_view train_content) {
  Checker(report, stops, line_content, train_content).run();
}
