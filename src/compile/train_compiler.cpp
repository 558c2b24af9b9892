#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "compile/description_reader.h"
#include "compile/field_reader.h"
#include "compile/keywords.h"
#include "model/numbers.h"
#include "platform/ansi.h"

// The train half of the compiler: reads the train description file entry by
// entry into the grid and the records, then deletes it. Read and conversion
// failures are not tested here: they throw, and the one failure trap of
// memorizza_dati turns them into code 25.

namespace {

/// A run of speed limits or of adhesion values along the grid.
struct Run {
  int32_t cursor = 0;            ///< first cell not yet written
  std::optional<int32_t> value;  ///< value of the last entry; none before the first
};

uint8_t speed_byte(int32_t kmh) { return nearest_uint8(kmh / 5.0); }
uint8_t adhesion_byte(int32_t value) { return low_byte(value); }

/// Up to two comment fields in a row are skipped, and the end of the file
/// stops the skip; the third field is the key whatever it holds.
inline constexpr int comment_skips = 2;
inline constexpr bool end_stops_skipping = true;

class TrainCompiler : public DescriptionReader {
 public:
  TrainCompiler(Form1& f, std::string content, int32_t station_limit)
      : DescriptionReader(f, DescriptionFile::train, std::move(content)),
        highest_(static_cast<int32_t>(f.percorso.size()) - 1),
        limit_(station_limit) {}

  /// The search for "[generale]" and the main loop.
  ReadOutcome read();
  /// After the file is gone: the trailing runs and the chainage test.
  void end_of_reading();

 private:
  /// The entries in the order their keywords are tested.
  static const std::array<KeywordRow<TrainCompiler>, keywords::train.size()> kHandlers;

  ReadOutcome braked_mass(const std::string&);
  ReadOutcome cars(const std::string&);
  ReadOutcome velocita(const std::string&);
  ReadOutcome aderenza(const std::string&);
  ReadOutcome orologio(const std::string&);
  ReadOutcome sabbia(const std::string&);
  ReadOutcome segnale(const std::string&);
  ReadOutcome rallentamento(const std::string&);
  ReadOutcome abbattimento(const std::string&);
  ReadOutcome stazione(const std::string&);

  void read_station_fields(voce& v);
  static void station_platform(voce& v, int32_t length);
  ReadOutcome station_stop(const voce& v, const SourceLocation& position_field);

  bool beyond_grid(int32_t posizione, int32_t margin) const;
  ReadOutcome stop_at(int32_t posizione, const SourceLocation& field);
  ReadOutcome fail(int32_t code, const SourceLocation& field);
  ReadOutcome fail(int32_t code, int32_t posizione, const SourceLocation& field);
  ReadOutcome after_placement(int32_t code_before, int32_t posizione, const SourceLocation& field);

  void advance(Run& run, int32_t posizione, int32_t value, uint8_t (*to_byte)(int32_t),
               uint8_t cella::*field);
  void close_run(const Run& run, uint8_t (*to_byte)(int32_t), uint8_t cella::*field);
  void write(int64_t from, int64_t a, uint8_t value, uint8_t cella::*field);

  const int32_t highest_;  ///< highest index of the grid
  const int32_t limit_;    ///< station records must stay below this one
  int32_t s_ = 1;          ///< record of the next station
  Run speed_;
  Run adhesion_;
};

using keywords::train;
const std::array<KeywordRow<TrainCompiler>, train.size()> TrainCompiler::kHandlers = {{
    {train[0], &TrainCompiler::braked_mass},
    {train[1], &TrainCompiler::cars},
    {train[2], &TrainCompiler::velocita},
    {train[3], &TrainCompiler::aderenza},
    {train[4], &TrainCompiler::orologio},
    {train[5], &TrainCompiler::sabbia},
    {train[6], &TrainCompiler::segnale},
    {train[7], &TrainCompiler::rallentamento},
    {train[8], &TrainCompiler::abbattimento},
    {train[9], &TrainCompiler::stazione},
}};

// ----- Reading order -----

// Everything before the field holding "[generale]" is ignored; a file
// without it (an empty one too) yields no entries and no error. The last
// field of the file is never interpreted, which is why the file ends with a
// closing line. Every entry whose keywords the key holds starts, in table
// order, each reading its own fields; a key holding none is dropped.
ReadOutcome TrainCompiler::read() {
  if (!find_general(true)) return ReadOutcome::stop_reading;
  while (!reader_.end_of_file()) {
    const std::optional<std::string> key =
        next_key(comment_skips, end_stops_skipping, ReadingSection::entries);
    if (!key) break;
    bool recognised = false;
    const ReadOutcome outcome = dispatch(kHandlers, *key, recognised);
    if (outcome != ReadOutcome::go_on) return outcome;
    if (!recognised) drop(*key, ReadingSection::entries);
  }
  return ReadOutcome::stop_reading;
}

// ----- Outcomes -----

/// The range test: the position plus its margin must not lie beyond the
/// highest cell. Real arithmetic, so no position can wrap past it.
bool TrainCompiler::beyond_grid(int32_t posizione, int32_t margin) const {
  return int64_t{posizione} + margin > 50 * int64_t{highest_};
}

ReadOutcome TrainCompiler::stop_at(int32_t posizione, const SourceLocation& field) {
  f_.record_code(15, posizione, field);
  return ReadOutcome::stop_reading;
}

ReadOutcome TrainCompiler::fail(int32_t code, const SourceLocation& field) {
  f_.record_code(code, std::nullopt, field);
  return ReadOutcome::failed;
}

ReadOutcome TrainCompiler::fail(int32_t code, int32_t posizione,
                                const SourceLocation& field) {
  f_.record_code(code, posizione, field);
  return ReadOutcome::failed;
}

/// After a signal or a slowdown: any code standing now ends the reading, also
/// a 15 that the line half left behind. A code the placement recorded itself
/// (16 to 20, never 15) already carries this entry's position; a 15 left
/// standing is recorded again here, at this entry: the code stays, its
/// position becomes this entry's.
ReadOutcome TrainCompiler::after_placement(int32_t code_before, int32_t posizione,
                                           const SourceLocation& field) {
  if (f_.codice_errore <= 0) return ReadOutcome::go_on;
  if (f_.codice_errore == code_before) f_.record_code(f_.codice_errore, posizione, field);
  return ReadOutcome::failed;
}

// ----- General entries -----

ReadOutcome TrainCompiler::braked_mass(const std::string&) {
  f_.voci[fixed_record::general].inizio = reader_.read_int32();
  return ReadOutcome::go_on;
}

ReadOutcome TrainCompiler::cars(const std::string&) {
  f_.voci[fixed_record::general].posizione = reader_.read_int32();
  return ReadOutcome::go_on;
}

ReadOutcome TrainCompiler::orologio(const std::string&) {
  voce& train = f_.voci[fixed_record::train];
  train.campo10 = reader_.read_int16();
  train.campo11 = reader_.read_int16();
  train.campo12 = reader_.read_int16();
  return ReadOutcome::go_on;
}

ReadOutcome TrainCompiler::sabbia(const std::string&) {
  f_.voci[fixed_record::train].campo7 = reader_.read_int16();
  return ReadOutcome::go_on;
}

// ----- Speed-limit and adhesion runs -----

ReadOutcome TrainCompiler::velocita(const std::string&) {
  const int32_t posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  const int32_t kmh = reader_.read_int32();
  entry_read("velocita", posizione);
  if (beyond_grid(posizione, 100)) return stop_at(posizione, field);
  advance(speed_, posizione, kmh, speed_byte, &cella::velocita);
  return ReadOutcome::go_on;
}

ReadOutcome TrainCompiler::aderenza(const std::string&) {
  const int32_t posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  const int32_t value = reader_.read_int32();
  entry_read("aderenza", posizione);
  if (beyond_grid(posizione, 100)) return stop_at(posizione, field);
  advance(adhesion_, posizione, value, adhesion_byte, &cella::aderenza);
  return ReadOutcome::go_on;
}

// The value of the previous entry fills the cells from the cursor up to the
// cell before this entry's cell. The runs must come in ascending order; a
// run that does not lie ahead of the cursor (out of order, in the same cell
// as the previous one, or at a negative position) writes no cell and does
// not move the cursor back, so cells once written keep their value, and it
// only changes the value that holds from the cursor on. Before the first
// entry of its kind there is no value: the first entry's own value holds
// back to the origin, so a first entry that is not at 0 leaves no leading
// cells at speed or adhesion 0.
void TrainCompiler::advance(Run& run, int32_t posizione, int32_t value,
                            uint8_t (*to_byte)(int32_t), uint8_t cella::*field) {
  if (!run.value) run.value = value;
  const int32_t n = nearest_int32(posizione / 50.0);
  if (n > run.cursor) {
    write(run.cursor, n - 1, to_byte(*run.value), field);
    run.cursor = n;
  }
  run.value = value;
}

// The last value runs up to the cell N - 3; a cursor already at N - 2 or
// beyond gets its own cell alone. A file without any entry of the kind
// writes 0.
void TrainCompiler::close_run(const Run& run, uint8_t (*to_byte)(int32_t),
                              uint8_t cella::*field) {
  const uint8_t value = to_byte(run.value.value_or(0));
  const int64_t last = std::max<int64_t>(run.cursor, int64_t{highest_} - 3);
  write(run.cursor, last, value, field);
}

void TrainCompiler::write(int64_t from, int64_t a, uint8_t value, uint8_t cella::*field) {
  for (int64_t i = std::max<int64_t>(from, 0); i <= std::min<int64_t>(a, highest_); ++i)
    f_.percorso[static_cast<size_t>(i)].*field = value;
}

// ----- Signals, slowdowns, abbattimento points -----

ReadOutcome TrainCompiler::segnale(const std::string&) {
  // posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo
  std::array<int32_t, 11> g{};
  g[0] = reader_.read_int32();
  const SourceLocation field = last_field();
  for (size_t i = 1; i < g.size(); ++i) g[i] = reader_.read_int32();
  entry_read("segnale", g[0]);
  if (beyond_grid(g[0], 100)) return stop_at(g[0], field);
  const int32_t code_before = f_.codice_errore;
  f_.entry_being_placed = field;
  f_.memo_segnale(g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10]);
  return after_placement(code_before, g[0], field);
}

ReadOutcome TrainCompiler::rallentamento(const std::string&) {
  // x, v, l, f_tt, f_ta, d_v
  std::array<int32_t, 6> g{};
  g[0] = reader_.read_int32();
  const SourceLocation field = last_field();
  for (size_t i = 1; i < g.size(); ++i) g[i] = reader_.read_int32();
  entry_read("rallentamento", g[0]);
  if (beyond_grid(g[0], 100)) return stop_at(g[0], field);
  const int32_t code_before = f_.codice_errore;
  f_.entry_being_placed = field;
  f_.memo_rallentamento(g[0], g[1], g[2], g[3], g[4], g[5]);
  return after_placement(code_before, g[0], field);
}

// A point at a negative position has no cell in the grid: it is refused
// with code 7, like a point whose cell is occupied.
ReadOutcome TrainCompiler::abbattimento(const std::string&) {
  const int32_t posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  const int32_t value = reader_.read_int32();
  entry_read("abbattimento", posizione);
  if (beyond_grid(posizione, 100)) return stop_at(posizione, field);
  const int64_t j = static_cast<int64_t>(nearest(posizione / 50.0));
  if (j < 0 || j > highest_ || !cell_is_free(f_.percorso[static_cast<size_t>(j)])) {
    f_.record_code(7, posizione, field, j);
    return ReadOutcome::failed;
  }
  cella& c = f_.percorso[static_cast<size_t>(j)];
  if (value > 0) {
    c.tipo = cell_type::abbattimento;
    c.dato1 = wrap16(value);
  } else {
    c.tipo = cell_type::abbattimento_without_value;
  }
  return ReadOutcome::go_on;
}

// ----- Stations -----

// The fields go one at a time straight into the record, each check at its
// place, so the fields before a failing check stay stored.
ReadOutcome TrainCompiler::stazione(const std::string&) {
  // Stations share records 1 to 80 with the name boards of the line. The
  // counter test after each station keeps them below the lowest board; a
  // line whose boards take every record down to 1 leaves no record at all,
  // and the station is then refused before it could overwrite a board.
  //
  // Code 10 concerns the station as a whole (its key); codes 8, 15, 22 and
  // 24 its position field; code 9 its platform length field.
  const SourceLocation key = f_.source;
  if (s_ > std::min(limit_, fixed_record::first_board)) return fail(10, key);
  voce& v = f_.voci[static_cast<size_t>(s_)];
  const int32_t posizione = v.posizione = reader_.read_int32();
  const SourceLocation field = last_field();
  if (beyond_grid(posizione, 800)) return stop_at(posizione, field);
  if (posizione % 50 != 0) return fail(8, posizione, field);
  v.tipo = reader_.read_uint8();
  const int32_t length = reader_.read_int32();
  if (length % 100 != 0) return fail(9, posizione, last_field());
  read_station_fields(v);
  entry_read("stazione", posizione);

  station_platform(v, length);
  if (length < 600) v.campo5 = 0;
  if (s_ == 1) {
    v.campo5 = 0;
    v.prolunga = 0;
  }
  if (v.tipo < 25) {
    const ReadOutcome outcome = station_stop(v, field);
    if (outcome != ReadOutcome::go_on) return outcome;
  }
  if (s_ > 1 && int64_t{v.inizio} - 350 < f_.voci[static_cast<size_t>(s_ - 1)].fine)
    return fail(22, posizione, field);
  ++s_;
  if (s_ >= limit_) return fail(10, key);
  return ReadOutcome::go_on;
}

// F4 to F16 and the name.
void TrainCompiler::read_station_fields(voce& v) {
  v.campo4 = reader_.read_uint8();
  v.campo5 = reader_.read_uint8();
  v.prolunga = reader_.read_uint8();
  v.campo7 = reader_.read_int16();
  v.campo8 = reader_.read_int16();
  v.campo9 = reader_.read_uint8();
  v.campo10 = reader_.read_int16();
  v.campo11 = reader_.read_int16();
  v.campo12 = reader_.read_int16();
  v.campo13 = reader_.read_uint8();
  const int64_t hours = reader_.read_int32();
  const int64_t minutes = reader_.read_int32();
  const int64_t seconds = reader_.read_int32();
  v.orario = wrap32((hours * 60 + minutes) * 60 + seconds);
  f_.riga = reader_.read_text();
  v.nome = f_.riga;
}

/// Platform start and end by station type.
void TrainCompiler::station_platform(voce& v, int32_t length) {
  const int64_t p = v.posizione;
  switch (v.tipo) {
    case 5:
    case 6:
      v.inizio = wrap32(p - length);
      v.fine = wrap32(p + 150);
      v.prolunga = 0;
      break;
    case 7:
    case 8:
      v.inizio = wrap32(p - length);
      v.fine = wrap32(p + length);
      v.prolunga = 0;
      break;
    default:
      v.inizio = wrap32(p - length / 2);
      v.fine = wrap32(p + length / 2 + (v.prolunga != 0 ? 50 : 0));
      break;
  }
}

// The stop cell one cell before the platform end, and (except for types 5
// and 6) the markers 81 to 84 in the four cells before it, none in cells 0
// and 1. The stop cell is written whatever the cell held. A platform that
// ends beyond the grid has no stop cell there: it stops the reading with
// code 15, as a station position beyond the grid does.
ReadOutcome TrainCompiler::station_stop(const voce& v, const SourceLocation& position_field) {
  const int64_t h = static_cast<int64_t>(nearest(v.fine / 50.0)) - 1;
  if (h > highest_) return stop_at(v.posizione, position_field);
  if (v.tipo != 5 && v.tipo != 6) {
    for (int32_t k = 1; k <= 4; ++k) {
      const int64_t m = h - k;
      if (m > 1) f_.percorso[static_cast<size_t>(m)].marcatore = low_byte(80 + k);
    }
  }
  if (h <= 1) return fail(24, position_field);
  cella& stop = f_.percorso[static_cast<size_t>(h)];
  if (f_.listener && !cell_is_free(stop)) f_.listener->stop_cell_over_item(h, s_, position_field);
  stop.tipo = cell_type::station_stop;
  stop.dato1 = wrap16(s_);
  return ReadOutcome::go_on;
}

// ----- End of reading -----

void TrainCompiler::end_of_reading() {
  close_run(speed_, speed_byte, &cella::velocita);
  close_run(adhesion_, adhesion_byte, &cella::aderenza);
  bool off_step = false;
  for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i) {
    const voce& reference = f_.voci[static_cast<size_t>(i)];
    if (reference.inizio % 50 != 0 || reference.fine % 50 != 0) off_step = true;
  }
  if (!off_step) return;
  // One test of the three references, one code. The fault lies in the line
  // description's chainage references, which have been put in order since
  // they were read, so no single line of it can be named: the code names
  // that file as a whole.
  f_.source = {DescriptionFile::train, reader_.riga(), true, 0};
  f_.record_code(2, std::nullopt, SourceLocation{DescriptionFile::line, 0, false, 0});
}

}  // namespace

void Form1::store_train(int32_t station_limit) {
  source = {DescriptionFile::train, 0, false, 0};
  cell_origins.assign(percorso.size(), SourceLocation{DescriptionFile::train, 0, false, 0});
  const std::filesystem::path file = file_name(ScenarioFile::train_description);
  TrainCompiler compiler(*this, platform.read_file(file), station_limit);
  const ReadOutcome outcome = compiler.read();
  platform.delete_file(file);
  if (outcome == ReadOutcome::failed) return;
  compiler.end_of_reading();
}
