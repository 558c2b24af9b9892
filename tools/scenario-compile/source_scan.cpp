#include "source_scan.h"

#include <algorithm>
#include <array>

#include "compile/keywords.h"
#include "platform/ansi.h"

namespace source_scan {

namespace {

constexpr FieldShape kLength[] = {{"length"}};
constexpr FieldShape kReference[] = {{"position"}, {"chainage"}, {"flag"}};
constexpr FieldShape kValue[] = {{"value"}};
constexpr FieldShape kRepetition[] = {{"first distance"}, {"second distance"}};
constexpr FieldShape kGradient[] = {{"position"}, {"per-mille value"}};
constexpr FieldShape kCurve[] = {{"position"}, {"length"}};
constexpr FieldShape kTunnel[] = {{"start"}, {"end"}, {"type"}};
constexpr FieldShape kBoards[] = {{"position"}, {"vas"}, {"vbs"}, {"vcs"}, {"strisces"},
                                 {"vad"},      {"vbd"}, {"vcd"}, {"strisced"}};
constexpr FieldShape kNameBoard[] = {{"position"}, {"board text", Width::text}};
constexpr FieldShape kPercentage[] = {{"percentage"}};
constexpr FieldShape kCars[] = {{"number of cars"}};
constexpr FieldShape kSpeed[] = {{"position"}, {"speed"}};
constexpr FieldShape kAdhesion[] = {{"position"}, {"adhesion value"}};
constexpr FieldShape kClock[] = {
    {"hours", Width::int16}, {"minutes", Width::int16}, {"seconds", Width::int16}};
constexpr FieldShape kSand[] = {{"sand value", Width::int16}};
constexpr FieldShape kSignal[] = {{"position"}, {"sx"}, {"s1"}, {"s2"}, {"s3"}, {"rapp"},
                                 {"dx"},       {"d1"}, {"d2"}, {"d3"}, {"tempo"}};
constexpr FieldShape kSlowdown[] = {{"position"}, {"v"}, {"l"}, {"f_tt"}, {"f_ta"}, {"d_v"}};
constexpr FieldShape kPoint[] = {{"position"}, {"value"}};
constexpr FieldShape kStation[] = {
    {"position"},           {"type", Width::uint8}, {"platform length"},
    {"F4", Width::uint8},   {"F5", Width::uint8},   {"F6", Width::uint8},
    {"F7", Width::int16},   {"F8", Width::int16},   {"F9", Width::uint8},
    {"F10", Width::int16},  {"F11", Width::int16},  {"F12", Width::int16},
    {"F13", Width::uint8},  {"hours"},              {"minutes"},
    {"seconds"},            {"name", Width::text}};

using keywords::general_keys;
const EntryShape kGeneralEntries[] = {
    {"lunghezza percorso", general_keys[0], kLength},
    {"progressiva chilometrica tre", general_keys[1], kReference},
    {"progressiva chilometrica due", general_keys[2], kReference},
    {"progressiva chilometrica uno", general_keys[3], kReference},
    {"sfondo uno", general_keys[4], kValue},
    {"sfondo due", general_keys[5], kValue},
    {"sfondo tre", general_keys[6], kValue},
    {"ripetizione segnali", general_keys[7], kRepetition},
};

const EntryShape kLineEntries[] = {
    {"pendenza", keywords::line[0], kGradient, 100},
    {"curva", keywords::line[1], kCurve, 100},
    {"montagna", keywords::line[2], kTunnel, 100},
    {"indicatori_vmax", keywords::line[3], kBoards, 100},
    {"cartello_indicatore", keywords::line[4], kNameBoard, 100},
};

const EntryShape kTrainEntries[] = {
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

/// A file is read on after this many fields that cannot be read no more:
/// past them, the file is hardly a description file.
constexpr size_t kMostFailures = 50;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

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

/// The entries a key read in `section` of `file` may start (a train file
/// has one table for both sections).
std::span<const EntryShape> entries_of(DescriptionFile file, Section section) {
  if (file == DescriptionFile::train) return kTrainEntries;
  return section == Section::general ? std::span<const EntryShape>(kGeneralEntries)
                                     : std::span<const EntryShape>(kLineEntries);
}

/// The keyword of `rows` that `text` holds, if any: the first word of its row.
std::optional<std::string_view> keyword_in(std::span<const EntryShape> rows, std::string_view text) {
  const std::string lower = lowercase(text);
  for (const EntryShape& shape : rows)
    if (shape.words.in(text, lower)) return shape.words.first;
  return std::nullopt;
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
  const std::span<const EntryShape> rows = entries_of(file, section);
  const std::string lower = lowercase(key);
  if (lower.size() < 4) return std::nullopt;
  std::optional<std::string_view> best;
  size_t best_distance = 3;
  for (const EntryShape& shape : rows) {
    const size_t distance = edit_distance(lower, shape.kind);
    if (distance < best_distance) {
      best = shape.kind;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace

bool looks_like_heading(std::string_view key) { return contains(key, "[") && contains(key, "]"); }

std::string in_quotes(std::string_view text) { return "\"" + cp1252_to_utf8(text) + "\""; }

std::optional<std::string_view> keyword_of_file(DescriptionFile file, std::string_view text) {
  return keyword_in(entries_of(file, Section::entries), text);
}

bool swallows(DescriptionFile file, std::string_view text, int32_t riga, int32_t before) {
  return riga > before && (keyword_of_file(file, text) || looks_like_heading(text));
}

ScanReader::ScanReader(std::string_view content, std::span<const ReadField> build_fields)
    : content_(content), build_fields_(build_fields) {}

const ReadField* ScanReader::next_of(FieldReadKind kind) {
  if (!live_ && next_ < build_fields_.size() && build_fields_[next_].kind == kind) {
    at_ = build_fields_[next_++];
    return &at_;
  }
  if (!live_) live_.emplace(std::string(content_), at_);
  return nullptr;
}

FieldRead<std::string> ScanReader::try_read_text() {
  if (const ReadField* f = next_of(FieldReadKind::text))
    return std::string(content_.substr(f->text_start, f->text_size));
  return live_->try_read_text();
}

FieldRead<int32_t> ScanReader::try_read_int32() {
  if (const ReadField* f = next_of(FieldReadKind::int32)) return f->number;
  return live_->try_read_int32();
}

FieldRead<int16_t> ScanReader::try_read_int16() {
  if (const ReadField* f = next_of(FieldReadKind::int16)) return static_cast<int16_t>(f->number);
  return live_->try_read_int16();
}

FieldRead<uint8_t> ScanReader::try_read_uint8() {
  if (const ReadField* f = next_of(FieldReadKind::uint8)) return static_cast<uint8_t>(f->number);
  return live_->try_read_uint8();
}

Scan::Scan(DescriptionFile file, const SourceFile& source, std::span<const ReadField> build_fields)
    : file_(file), source_(source), content_(source.content()), build_fields_(build_fields) {
  // About one entry a line, and a field for every four bytes, are room
  // enough for a description file; the room never filled costs no memory.
  entries_.reserve(source.line_count());
  fields_.reserve(content_.size() / 4 + 1);
  run();
  for (Entry& e : entries_) attach_fields(e);
  for (Failure& f : failures_) attach_fields(f.entry);
}

void Scan::run() {
  reader_.emplace(content_, build_fields_);
  for (;;) {
    read_sections();
    if (!failed_) return;
    const FieldFailure f = *failed_;
    failed_.reset();
    note_failure(f);
    if (failures_.size() >= kMostFailures) return;
    const Failure& last = failures_.back();
    int32_t resume = f.line;
    if (!last.missing || last.end_of_file) {
      // The rest of the broken entry: the lines after it that start with a value.
      ++resume;
      while (static_cast<size_t>(resume) <= source_.line_count() &&
             looks_like_value(first_field(line_text(resume))))
        ++resume;
    }
    // A line can be resumed at only where a line end goes before it: the
    // last line of a file that ends without a line end cannot.
    const size_t line_count = source_.line_count();
    const bool ends_with_line_end =
        content_.empty() || content_.back() == '\r' || content_.back() == '\n';
    const size_t resumable = ends_with_line_end ? line_count : line_count - 1;
    if (resume < 1 || static_cast<size_t>(resume) > resumable) return;
    reader_.emplace(content_.substr(source_.line_start(static_cast<size_t>(resume) - 1)), resume);
    discarded_values_ = false;
  }
}

void Scan::read_sections() {
  if (section_ == Section::before_general) {
    if (!find_general()) return;
    section_ = file_ == DescriptionFile::line ? Section::general : Section::entries;
  }
  if (section_ == Section::general) {
    if (!general_section()) return;
    section_ = Section::entries;
  }
  entries_section();
}

// The line file's last field never opens the section; the train file's may.
bool Scan::find_general() {
  while (!reader_->end_of_file()) {
    const std::optional<std::string> field = read_key();
    if (!field) return false;
    const bool last = reader_->end_of_file();
    if ((file_ == DescriptionFile::train || !last) && contains(lowercase(*field), "[generale]")) {
      for (Diagnostic& d : before_general_) key_warnings_.push_back(std::move(d));
      before_general_.clear();
      return true;
    }
    drop(*field, Section::before_general);
  }
  return false;
}

bool Scan::general_section() {
  while (!reader_->end_of_file()) {
    const std::optional<std::string> key = next_key(10, false, Section::general);
    if (!key) return false;
    const bool recognised = dispatch(kGeneralEntries, *key);
    if (failed_) return false;
    if (!recognised) drop(*key, Section::general);
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
    if (failed_) return;
    if (!recognised) drop(*key, Section::entries);
  }
}

template <class T, class Into>
bool Scan::take(FieldRead<T>&& read, Into& into) {
  if (!read.ok()) {
    failed_ = read.failure();
    return false;
  }
  into = std::move(read.value());
  return true;
}

// Without a key (nullopt) at the file's end, or where a key cannot be read.
std::optional<std::string> Scan::next_key(int comment_steps, bool end_stops_skip, Section section) {
  std::optional<std::string> key = read_key();
  if (!key) return std::nullopt;
  if (reader_->end_of_file()) {
    drop_last(*key, section);
    return std::nullopt;
  }
  for (int step = 0; step < comment_steps && contains(*key, "-"); ++step) {
    key = read_key();
    if (!key) return std::nullopt;
    if (end_stops_skip && reader_->end_of_file()) {
      drop_last(*key, section);
      return std::nullopt;
    }
  }
  return key;
}

std::optional<std::string> Scan::read_key() {
  std::string key;
  if (!take(reader_->try_read_text(), key)) return std::nullopt;
  key_line_ = reader_->riga();
  key_column_ = reader_->column();
  key_end_ = reader_->end_column();
  return key;
}

template <size_t N>
bool Scan::dispatch(const EntryShape (&rows)[N], const std::string& key) {
  const std::string lower = lowercase(key);
  bool recognised = false;
  for (const EntryShape& shape : rows) {
    if (!shape.words.in(key, lower)) continue;
    recognised = true;
    read_entry(shape, key);
    if (failed_) return true;
  }
  if (recognised) discarded_values_ = false;
  return recognised;
}

void Scan::read_entry(const EntryShape& shape, const std::string& key) {
  reading_ = Entry{&shape, key, key_line_, key_column_, key_end_, {}, fields_.size(), 0};
  for (const FieldShape& f : shape.fields) {
    Field field;
    bool read = false;
    std::string text;
    switch (f.width) {
      case Width::int32: read = take(reader_->try_read_int32(), field.number); break;
      case Width::int16: read = take(reader_->try_read_int16(), field.number); break;
      case Width::uint8: read = take(reader_->try_read_uint8(), field.number); break;
      case Width::text: read = take(reader_->try_read_text(), text); break;
    }
    if (!read) return;  // the entry stays in `reading_`, with the fields read before
    if (f.width == Width::text) field.text = texts_.emplace_back(std::move(text));
    field.riga = reader_->riga();
    field.column = reader_->column();
    field.end_column = reader_->end_column();
    const int32_t before = reading_->field_count == 0 ? key_line_ : fields_.back().riga;
    if (f.width == Width::text && swallows(file_, field.text, field.riga, before))
      swallowed_.push_back(field.riga);
    fields_.push_back(field);
    ++reading_->field_count;
  }
  if (shape.kind == "lunghezza percorso") length_ = fields_[reading_->first_field].number;
  entries_.push_back(std::move(*reading_));
  reading_.reset();
}

// A field that is the first of a line after the entry's own, and is no
// number, is not a value the author wrote for this entry: the entry lacks
// it, and the field is the next entry's key or a heading.
void Scan::note_failure(const FieldFailure& f) {
  Failure failure;
  failure.riga = f.line;
  failure.column = f.column;
  failure.what = f.message();
  failure.end_of_file = reader_->end_of_file();
  if (reading_) {
    failure.entry = std::move(*reading_);
    reading_.reset();
  } else {
    // The comment skip of the general section read past the file's end.
    failure.entry.riga = key_line_;
  }
  const std::string_view riga = line_text(f.line);
  const size_t from = std::min(static_cast<size_t>(std::max(f.column, 1) - 1), riga.size());
  size_t to = from;
  while (to < riga.size() && riga[to] != ',' && !is_blank(riga[to])) ++to;
  failure.token = std::string(riga.substr(from, to - from));
  const int32_t previous_line =
      failure.entry.field_count == 0
          ? failure.entry.riga
          : fields_[failure.entry.first_field + failure.entry.field_count - 1].riga;
  const bool starts_its_line = riga.find_first_not_of(" \t") == from;
  failure.missing = failure.entry.shape != nullptr &&
                    (failure.end_of_file ||
                     (f.line > previous_line && starts_its_line && !looks_like_value(failure.token)));
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

// The build stops as soon as a read reaches the file's end, so the file's
// last field is never taken as a key: that is what the closing "[fine]" is
// for. A key there that would start an entry is lost without a word from
// the build, whatever the author meant by it.
void Scan::drop_last(const std::string& key, Section section) {
  if (contains(key, "-") || !keyword_in(entries_of(file_, section), key)) {
    drop(key, section);
    return;
  }
  warn_key(key_line_, key_column_,
           "key " + in_quotes(key) +
               " is the file's last field and starts no entry: the build stops at the end of "
               "the file before it (end the file with \"[fine]\")");
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

}  // namespace source_scan
