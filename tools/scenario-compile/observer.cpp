#include "observer.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/error_codes.h"
#include "compile/keywords.h"
#include "platform/ansi.h"

namespace {

// ----- The keywords, for telling a misspelt key from one out of place -----

// Used here only to say why a dropped key was dropped, and compared case
// ignored whatever the entry's own rule, so that a general keyword written
// with capitals is recognised and explained.
using keywords::general_keys;
using keywords::line;
using keywords::train;

template <size_t N>
bool recognises(const std::array<Keywords, N>& voci, std::string_view key) {
  const std::string lower_letter = lowercase(key);
  return std::any_of(voci.begin(), voci.end(), [&](const Keywords& p) {
    return contains(lower_letter, p.first) && contains(lower_letter, p.second);
  });
}

bool heading(std::string_view key) { return contains(key, "[") && contains(key, "]"); }

// A key that is a number, or nothing: the value of an entry read where a key
// was expected.
bool value(std::string_view key) {
  const size_t inizio = key.find_first_not_of(" \t");
  if (inizio == std::string_view::npos) return true;
  std::string_view digit_count = key.substr(inizio);
  if (digit_count.front() == '-' || digit_count.front() == '+') digit_count.remove_prefix(1);
  return !digit_count.empty() &&
         std::all_of(digit_count.begin(), digit_count.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string quoted(std::string_view key) {
  std::string text = "\"";
  text.append(cp1252_to_utf8(key)).push_back('"');
  return text;
}

// The kinds whose entries must come in ascending order of position.
constexpr std::string_view kInOrder[] = {"pendenza", "curva",    "montagna",
                                          "velocita", "aderenza", "stazione"};

// ----- Chainage -----

struct Reference {
  int32_t posizione;
  int32_t chainage;  ///< metres, as the compiled file carries it (flag 1 included)
};

std::string kilometres(int64_t metres) {
  const int64_t absolute_metres = std::llabs(metres);
  std::string digit_count = std::to_string(absolute_metres % 1000);
  digit_count.insert(0, 3 - digit_count.size(), '0');
  return std::string(metres < 0 ? "-" : "") + std::to_string(absolute_metres / 1000) + "." + digit_count;
}

// The chainage at a position, in words. With two references at different
// positions the direction of the kilometres is known and the chainage is
// computed; with one, only the distance from it can be told honestly.
std::optional<std::string> chainage(const RecordTable& voci, int32_t posizione) {
  std::vector<Reference> refs;
  for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i) {
    const voce& v = voci[static_cast<size_t>(i)];
    if (v.inizio != 0 || v.fine != 0) refs.push_back({v.inizio, v.fine});
  }
  if (refs.empty()) return std::nullopt;
  const auto distance_to = [posizione](const Reference& r) {
    return std::llabs(int64_t{posizione} - r.posizione);
  };
  const Reference base = *std::min_element(
      refs.begin(), refs.end(),
      [&](const Reference& a, const Reference& b) { return distance_to(a) < distance_to(b); });
  const int64_t deviation = int64_t{posizione} - base.posizione;
  if (deviation == 0) return "km " + kilometres(base.chainage);
  for (const Reference& another : refs) {
    if (another.posizione == base.posizione || another.chainage == base.chainage) continue;
    const bool ascending =
        (another.chainage > base.chainage) == (another.posizione > base.posizione);
    return "km " + kilometres(base.chainage + (ascending ? deviation : -deviation));
  }
  return std::to_string(std::llabs(deviation)) + " m " + (deviation > 0 ? "beyond" : "before") +
         " the reference km " + kilometres(base.chainage);
}

}  // namespace

std::string position_text(const RecordTable& voci, int32_t posizione) {
  std::string text = " (at " + std::to_string(posizione) + " m";
  if (const std::optional<std::string> km = chainage(voci, posizione)) text += ", " + *km;
  return text + ")";
}

// ----- Listener -----

void Observer::key_dropped(DescriptionFile file, int32_t line, ReadingSection section,
                           std::string_view key) {
  before_general_open_ = section == ReadingSection::before_general;
  if (!before_general_open_) release_pending(true);
  warn_key(file, line, section, key);
}

void Observer::entry_read(DescriptionFile file, int32_t line, std::string_view entry,
                          int32_t position) {
  before_general_open_ = false;
  release_pending(true);
  discarded_values_ = false;
  check_order(file, line, entry, position);
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

// Headings, comments and the closing line are dropped by design. Values
// right after a reported key are part of that mistake and not told again.
void Observer::warn_key(DescriptionFile file, int32_t riga, ReadingSection section,
                        std::string_view key) {
  if (heading(key) || contains(key, "-")) {
    discarded_values_ = false;
    return;
  }
  if (value(key)) {
    if (section != ReadingSection::before_general && !discarded_values_)
      warn(file, riga,
           key.find_first_not_of(" \t") == std::string_view::npos
                 ? "an empty field stands where a key was expected and is dropped"
                 : "value " + quoted(key) + " stands where a key was expected and is dropped",
           std::string(key));
    discarded_values_ = true;
    return;
  }
  discarded_values_ = true;
  const bool line_file = file == DescriptionFile::line;
  const std::string text = quoted(key);
  switch (section) {
    case ReadingSection::before_general:
      if (line_file ? recognises(general_keys, key) || recognises(line, key)
                : recognises(train, key))
        warn(file, riga,
             text + " ignored: outside its section (entries count only after \"[generale]\")",
             std::string(key));
      else
        discarded_values_ = false;  // free text before the start is allowed
      return;
    case ReadingSection::general:
      if (recognises(line, key))
        warn(file, riga,
             text + " ignored: outside its section (line entries belong after the heading "
                       "that closes the general section)",
             std::string(key));
      else if (recognises(general_keys, key))
        warn(file, riga,
             text + " starts no entry: the keywords of the general entries must be "
                       "written in lower case",
             std::string(key));
      else
        warn(file, riga, "key " + text + " starts no entry and is dropped, with its values",
             std::string(key));
      return;
    case ReadingSection::entries:
      if (line_file && recognises(general_keys, key))
        warn(file, riga,
             text + " ignored: outside its section (general entries belong before the first "
                       "heading after \"[generale]\")",
             std::string(key));
      else
        warn(file, riga, "key " + text + " starts no entry and is dropped, with its values",
             std::string(key));
      return;
  }
}

void Observer::check_order(DescriptionFile file, int32_t riga, std::string_view voce,
                           int32_t posizione) {
  if (std::find(std::begin(kInOrder), std::end(kInOrder), voce) == std::end(kInOrder)) return;
  const auto last = std::find_if(last_.begin(), last_.end(),
                                 [&](const LastEntry& u) { return u.voce == voce; });
  if (last == last_.end()) {
    last_.push_back({std::string(voce), file, riga, posizione});
    return;
  }
  if (posizione <= last->posizione)
    warn(file, riga,
         std::string(voce) + " at " + std::to_string(posizione) +
               " m is not after the previous one at " + std::to_string(last->posizione) +
               " m (line " + std::to_string(last->riga) + "): entries of this kind must be in "
               "ascending order of position",
         {});
  *last = {std::string(voce), file, riga, posizione};
}

void Observer::release_pending(bool keep) {
  if (keep)
    for (Diagnostic& d : before_general_) report_.add(std::move(d));
  before_general_.clear();
}

void Observer::warn(DescriptionFile file, int32_t riga, std::string message,
                    std::string marked_text) {
  Diagnostic d;
  d.severity = Severity::warning;
  d.file = file;
  d.riga = riga;
  d.message = std::move(message);
  d.marked_text = std::move(marked_text);
  // Entries before "[generale]" wait until the heading is found: a file
  // without it gets one message of its own (code 102 for the line, a
  // warning for the train) instead of one per entry.
  if (before_general_open_)
    before_general_.push_back(std::move(d));
  else
    report_.add(std::move(d));
}

// ----- Codes -----

// Every code is kept as the build records it, with the entry it names: the
// build knows which field concerns the code, the grid scan's codes included.
void Observer::code_recorded(int32_t code, int32_t position, const SourceLocation& entry) {
  recorded_codes_.push_back({code, position, entry});
}

void Observer::report_codes(std::string_view detail) {
  release_pending(false);  // still waiting: the file never reached "[generale]"
  for (size_t i = 0; i < recorded_codes_.size(); ++i) {
    const RecordedCode& r = recorded_codes_[i];
    const SourceLocation& location = r.location;
    const ErrorCode* riga = find_code(r.code);
    const bool has_position = riga != nullptr && riga->has_position;

    Diagnostic d;
    d.file = location.file;
    d.riga = location.end_of_file ? static_cast<int32_t>(report_.file(location.file).lines.size())
                             : location.riga;
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
      d.message = std::string(riga != nullptr ? riga->meaning : "not a code of this builder") +
                    posizione;
      if (r.code == 25 && !detail.empty()) d.message += " (" + std::string(detail) + ")";
    }
    report_.add(std::move(d));
  }
}
