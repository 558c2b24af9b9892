// The line half of the compiler: reads the line description file into the
// cell grid, the track plan and the record table, front to back, applying
// every entry as soon as its fields are read.

#include "compile/line_compiler.h"

#include <array>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "compile/description_reader.h"
#include "compile/field_reader.h"
#include "compile/keywords.h"
#include "compile/track_plan.h"
#include "model/numbers.h"
#include "platform/ansi.h"

namespace {

inline constexpr int32_t maximum_length = 1000000;
/// In the general section up to ten comment fields in a row are skipped,
/// without any end-of-file test; among the line entries only two, and the
/// end of the file stops the skip. The next field is the key whatever it holds.
inline constexpr int general_comment_skips = 10;
inline constexpr int entry_comment_skips = 2;
inline constexpr bool end_stops_skipping = true;

/// The general section ends after a key that, without its leading blanks,
/// does not begin with "-" and holds both "[" and "]" (the next heading).
bool closes_general(std::string_view key) {
  const size_t inizio = key.find_first_not_of(" \t");
  if (inizio != std::string_view::npos && key[inizio] == '-') return false;
  return contains(key, "[") && contains(key, "]");
}

class LineCompiler : public DescriptionReader {
 public:
  LineCompiler(Form1& form, std::string content)
      : DescriptionReader(form, DescriptionFile::line, std::move(content)) {}

  /// Everything from the search for "[generale]" to the end of the line
  /// entries; the file itself is the caller's.
  ReadOutcome read_description();
  /// The end-of-file steps: trailing gradient and end of the plan.
  void end_of_file();
  int32_t board_counter() const { return board_counter_; }

  // General entries.
  ReadOutcome length(const std::string& key);
  ReadOutcome chainage_three(const std::string&) { return reference(fixed_record::chainage_1); }
  ReadOutcome chainage_two(const std::string&) { return reference(fixed_record::chainage_2); }
  ReadOutcome chainage_one(const std::string&) { return reference(fixed_record::chainage_3); }
  ReadOutcome background_one(const std::string&);
  ReadOutcome background_two(const std::string&);
  ReadOutcome background_three(const std::string&);
  ReadOutcome signal_repetition(const std::string& key);

  // Line entries.
  ReadOutcome pendenza(const std::string& key);
  ReadOutcome curva(const std::string& key);
  ReadOutcome montagna(const std::string& key);
  ReadOutcome speed_limit_boards(const std::string& key);
  ReadOutcome name_board(const std::string& key);

 private:
  ReadOutcome general_section();
  void general_end();
  ReadOutcome line_records();

  ReadOutcome reference(int32_t record);
  ReadOutcome record_code(int32_t code, const SourceLocation& field);
  int64_t last_cell(std::string_view where) const;
  bool accepted_position(int32_t posizione, const SourceLocation& field);
  void write_gradient(int64_t last);

  int64_t gradient_index_ = 0;     ///< next cell to receive a gradient
  int32_t previous_gradient_ = 0; ///< per mille
  int32_t board_counter_ = fixed_record::first_board;
};

/// The eight general entries, in the order they are tested.
using keywords::general_keys;
constexpr std::array<KeywordRow<LineCompiler>, general_keys.size()> kGeneralKeys{{
    {general_keys[0], &LineCompiler::length},
    {general_keys[1], &LineCompiler::chainage_three},
    {general_keys[2], &LineCompiler::chainage_two},
    {general_keys[3], &LineCompiler::chainage_one},
    {general_keys[4], &LineCompiler::background_one},
    {general_keys[5], &LineCompiler::background_two},
    {general_keys[6], &LineCompiler::background_three},
    {general_keys[7], &LineCompiler::signal_repetition},
}};

/// The five line entries, in the order they are tested.
using keywords::line;
constexpr bool only_with_plan = true;
constexpr std::array<KeywordRow<LineCompiler>, line.size()> kLineKeys{{
    {line[0], &LineCompiler::pendenza},
    {line[1], &LineCompiler::curva, only_with_plan},
    {line[2], &LineCompiler::montagna},
    {line[3], &LineCompiler::speed_limit_boards},
    {line[4], &LineCompiler::name_board},
}};

// ----- Reading order -----

ReadOutcome LineCompiler::read_description() {
  // Every field before the one holding "[generale]" is ignored. A file with
  // no field at all also ends before "[generale]": it gets the same code 102
  // rather than a failure to read a first field. The last field of the file
  // never opens the section. Code 102 concerns no field: the heading is
  // missing from the file, which was read to its end looking for it.
  if (!find_general(false)) {
    f_.source.end_of_file = true;
    f_.source.column = 0;
    return record_code(102, f_.source);
  }
  const ReadOutcome general = general_section();
  if (general != ReadOutcome::go_on) return general;
  general_end();
  return line_records();
}

// The comment skip makes no end-of-file test: a file that ends inside it
// fails to read its next field (code 25). Every test is made on the same
// key, each independently: a key holding the words of several entries
// starts all of them, in table order.
ReadOutcome LineCompiler::general_section() {
  while (!reader_.end_of_file()) {
    const std::optional<std::string> key =
        next_key(general_comment_skips, !end_stops_skipping, ReadingSection::general);
    if (!key) return ReadOutcome::go_on;
    bool recognised = false;
    const ReadOutcome outcome = dispatch(kGeneralKeys, *key, recognised);
    if (outcome != ReadOutcome::go_on) return outcome;
    if (!recognised) drop(*key, ReadingSection::general);
    if (closes_general(*key)) return ReadOutcome::go_on;
  }
  return ReadOutcome::go_on;
}

void LineCompiler::general_end() {
  f_.progressive_ordina();
  f_.numero_montagne = 0;
  board_counter_ = fixed_record::first_board;
  gradient_index_ = 0;
  previous_gradient_ = 0;
  if (f_.compila_linea != 0) {
    last_cell("the end of the general section");
    start_plan(f_.tracciato);
  }
}

// The last field of the file is never interpreted, which is why every line
// description ends with a closing line.
ReadOutcome LineCompiler::line_records() {
  while (!reader_.end_of_file()) {
    const std::optional<std::string> key =
        next_key(entry_comment_skips, end_stops_skipping, ReadingSection::entries);
    if (!key) return ReadOutcome::go_on;
    bool recognised = false;
    const ReadOutcome outcome = dispatch(kLineKeys, *key, recognised);
    if (outcome != ReadOutcome::go_on) return outcome;
    if (!recognised) drop(*key, ReadingSection::entries);
  }
  return ReadOutcome::go_on;
}

// The trailing gradient runs up to the cell before n - 2 (at least one cell
// is written); the cells above it keep pendenza 0.
void LineCompiler::end_of_file() {
  const int64_t last = last_cell("the end of the line file");
  do {
    write_gradient(last);
  } while (gradient_index_ < last - 2);
  if (f_.compila_linea != 0) close_plan(f_.tracciato);
}

// ----- Helpers of the reading -----

/// Codes that stop the line half carry no position.
ReadOutcome LineCompiler::record_code(int32_t code, const SourceLocation& field) {
  f_.record_code(code, std::nullopt, field);
  return ReadOutcome::failed;
}

// The grid exists only once a length entry has been read. Whatever needs it
// before that fails as a run-time failure (code 25): there is no grid to
// place anything in, and no other code describes a missing length.
int64_t LineCompiler::last_cell(std::string_view where) const {
  if (f_.percorso.empty())
    throw RunTimeFailure("no line length entry before " + std::string(where));
  return static_cast<int64_t>(f_.percorso.size()) - 1;
}

// An entry is accepted only if (p + 100) / 50 is not greater than n. The sum
// is taken exactly: a wrapped one would let a position near the top of the
// 32-bit range through, onto a cell far beyond the grid.
bool LineCompiler::accepted_position(int32_t posizione, const SourceLocation& field) {
  const int64_t n = last_cell("a line entry");
  if (int64_t{posizione} + 100 <= 50 * n) return true;
  f_.record_code(15, posizione, field);
  return false;
}

// The fill index moves forward by one for every cell written, even where
// several gradient entries share a cell; cells it reaches beyond the grid are
// not written.
void LineCompiler::write_gradient(int64_t last) {
  if (gradient_index_ <= last)
    f_.percorso[static_cast<size_t>(gradient_index_)].pendenza =
        low_byte(int64_t{previous_gradient_} + 100);
  ++gradient_index_;
}

// ----- General entries -----

// A length creates the grid and the plan afresh; a second one discards what
// the first created. A length below 0 gives no line at all: it is refused as
// a run-time failure (code 25) after it is stored, like every value. A
// refused length discards an earlier grid and plan too: record 84 now holds
// the refused length, and files written from the old grid would carry a line
// length that their grid and plan do not have. The build then writes no
// compiled file, as for a refused first length.
ReadOutcome LineCompiler::length(const std::string&) {
  const int32_t l = reader_.read_int32();
  const SourceLocation field = last_field();
  f_.voci[fixed_record::general].fine = l;
  if (l > maximum_length || l < 0) {
    f_.percorso.clear();
    f_.tracciato = TrackPlan{};
  }
  if (l > maximum_length) return record_code(1, field);
  if (l < 0) throw RunTimeFailure("line length " + std::to_string(l) + " m is below 0");
  const int32_t n = nearest_int32((l + 7000) / 50.0);
  f_.percorso.assign(static_cast<size_t>(n) + 1, cella{});
  if (f_.compila_linea != 0)
    create_plan(f_.tracciato, l);
  else
    f_.tracciato = TrackPlan{};
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::reference(int32_t record) {
  voce& v = f_.voci[static_cast<size_t>(record)];
  v.inizio = reader_.read_int32();
  v.fine = reader_.read_int32();
  v.posizione = reader_.read_int32();
  return ReadOutcome::go_on;
}

// The three scenery values go to record 85 in a crossed order: one, three, two.
ReadOutcome LineCompiler::background_one(const std::string&) {
  f_.voci[fixed_record::line].inizio = reader_.read_int32();
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::background_two(const std::string&) {
  f_.voci[fixed_record::line].posizione = reader_.read_int32();
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::background_three(const std::string&) {
  f_.voci[fixed_record::line].fine = reader_.read_int32();
  return ReadOutcome::go_on;
}

// The number of codes comes from the key itself: "4" before "9". A second
// distance of 0 switches the repetition off, but only after the key is tested.
ReadOutcome LineCompiler::signal_repetition(const std::string& key) {
  voce& train = f_.voci[fixed_record::train];
  const SourceLocation key_read = f_.source;
  train.inizio = reader_.read_int32();
  const SourceLocation before = last_field();
  train.fine = reader_.read_int32();
  const SourceLocation second = last_field();
  if (train.inizio % 50 != 0) return record_code(3, before);
  if (train.fine % 50 != 0) return record_code(4, second);
  int32_t codes = 0;
  if (contains(key, "4"))
    codes = 4;
  else if (contains(key, "9"))
    codes = 9;
  else
    return record_code(5, key_read);
  train.posizione = train.fine == 0 ? 0 : codes;
  return ReadOutcome::go_on;
}

// ----- Line entries -----

// A gradient holds from cell nearest(p / 50) of its entry up to the cell
// before that of the next entry: the cells up to it receive the previous one.
ReadOutcome LineCompiler::pendenza(const std::string&) {
  const int32_t posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  const int32_t value = reader_.read_int32();
  entry_read("pendenza", posizione);
  if (!accepted_position(posizione, field)) return ReadOutcome::stop_reading;
  const auto t = static_cast<int64_t>(nearest(posizione / 50.0));
  if (t > 0) {
    const int64_t last = last_cell("a gradient");
    do {
      write_gradient(last);
    } while (gradient_index_ < t);
  }
  previous_gradient_ = value;
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::curva(const std::string& key) {
  const SourceLocation key_read = f_.source;
  const int32_t posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  const int32_t curve_length = reader_.read_int32();
  const SourceLocation length_field = last_field();
  entry_read("curva", posizione);
  if (!accepted_position(posizione, field)) return ReadOutcome::stop_reading;
  // A key without a class names the key; a plan run past its end names the
  // length that carried it there.
  const std::optional<double> k = curve_curvature(key);
  if (!k) return record_code(103, key_read);
  if (!extend_curve(f_.tracciato, posizione, int64_t{posizione} + curve_length, *k))
    return record_code(103, length_field);
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::montagna(const std::string&) {
  const int32_t inizio = reader_.read_int32();
  const SourceLocation field = last_field();
  const int32_t fine = reader_.read_int32();
  const int32_t tipo = reader_.read_int32();
  entry_read("montagna", inizio);
  if (!accepted_position(inizio, field)) return ReadOutcome::stop_reading;
  f_.memo_montagna(inizio, fine, tipo);
  return ReadOutcome::go_on;
}

// Nine numbers in file order; the two stripe values keep their low 16 bits.
ReadOutcome LineCompiler::speed_limit_boards(const std::string&) {
  std::array<int32_t, 9> v{};
  v[0] = reader_.read_int32();
  const SourceLocation field = last_field();
  for (size_t i = 1; i < v.size(); ++i) v[i] = reader_.read_int32();
  const auto [posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced] = v;
  entry_read("indicatori_vmax", posizione);
  if (!accepted_position(posizione, field)) return ReadOutcome::stop_reading;
  // Code 21 is recorded by the procedure, with the boards' position.
  f_.entry_being_placed = field;
  f_.memo_indicatori_v_max(posizione, vas, vbs, vcs, wrap16(strisces), vad, vbd, vcd,
                           wrap16(strisced));
  if (f_.codice_errore > 0) return ReadOutcome::failed;
  return ReadOutcome::go_on;
}

// Name boards take records 80 down to 1: the text goes to the record, the
// record's index to the cell. A board beyond record 1 has no record left (the
// stations own record 0 and up); it is refused as a run-time failure (code
// 25) once its cell has been tested, and nothing is written for it.
ReadOutcome LineCompiler::name_board(const std::string&) {
  const int32_t posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  f_.riga = reader_.read_text();
  entry_read("cartello_indicatore", posizione);
  if (!accepted_position(posizione, field)) return ReadOutcome::stop_reading;
  cella& c = point_cell(f_.percorso, posizione, "name board");
  if (!cell_is_free(c)) {
    f_.record_code(6, posizione, field, &c - f_.percorso.data());
    return ReadOutcome::failed;
  }
  if (board_counter_ < 1)
    throw RunTimeFailure("more than 80 name boards (board at " + std::to_string(posizione) +
                         " m)");
  c.tipo = cell_type::name_board;
  c.dato1 = static_cast<int16_t>(board_counter_);  // 1 to 80
  f_.voci[static_cast<size_t>(board_counter_)].nome = f_.riga;
  --board_counter_;
  return ReadOutcome::go_on;
}

}  // namespace

// Close and delete: the file is read whole when it is opened, so closing it
// is nothing and deleting it is all. It is deleted on every outcome once it
// exists; a run-time failure leaves that to the failure trap of
// memorizza_dati, which deletes both description files.
Form1::LineOutcome Form1::store_line() {
  source = {DescriptionFile::line, 0, false, 0};
  percorso.clear();
  cell_origins.clear();
  tracciato = TrackPlan{};
  const std::filesystem::path file = file_name(ScenarioFile::line_description);
  // A missing file concerns the file as a whole: there is no line to name.
  if (!platform.file_exists(file)) {
    record_code(101, std::nullopt, source);
    return {false, fixed_record::first_board};
  }
  LineCompiler compiler(*this, platform.read_file(file));
  const ReadOutcome outcome = compiler.read_description();
  platform.delete_file(file);
  if (outcome == ReadOutcome::failed) return {false, compiler.board_counter()};
  compiler.end_of_file();
  if (listener && compila_linea != 0) listener->plan_complete();
  return {true, compiler.board_counter()};
}
