#include "sources.h"

#include <initializer_list>
#include <string_view>

namespace {

/// What every file says above its first section. A comment is any field
/// holding "-": these lines stand before "[generale]", where the reader looks
/// for nothing else, and hold no comma, so that each is one field.
constexpr std::string_view kHeader[] = {
    "- Recovered by scenario-decompile from the compiled files of the scenario.",
    "- Gone for good: the comments of the original files; the exact metres of items",
    "- that the compiled files keep only to their 50 m cell; and entries that changed",
    "- nothing. Where several entries would compile the same the simplest are written.",
};

class TextFile {
 public:
  TextFile() {
    for (std::string_view line : kHeader) add(line);
  }

  void add(std::string_view line) {
    text_ += line;
    text_ += "\r\n";
  }

  /// A comment line saying what the section holds, then its heading. The
  /// reader takes the field after a comment as the key whatever it holds,
  /// so the heading is read and dropped like any other; no two comment
  /// fields ever stand in a row within the sections.
  void section(std::string_view heading, std::string_view comment) {
    add(comment);
    add(heading);
  }

  /// A key and its numbers: "key, 1, 2, 3".
  void entry(std::string_view key, std::initializer_list<int64_t> numbers) {
    std::string line(key);
    for (int64_t n : numbers) line += ", " + std::to_string(n);
    add(line);
  }

  template <size_t N>
  void entry(std::string_view key, const std::array<int64_t, N>& numbers) {
    std::string line(key);
    for (int64_t n : numbers) line += ", " + std::to_string(n);
    add(line);
  }

  std::string finish() {
    add("[fine]");
    return std::move(text_);
  }

 private:
  std::string text_;
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

/// A text field as the field reader gives it back: bare where that is
/// exact, otherwise between double quotes (which keep commas, line ends and
/// blanks at either end). A text that needs the quotes and holds one cannot
/// be written.
std::string text_field(const std::string& text, std::string_view what) {
  bool quoted = text.empty() || is_blank(text.front()) || is_blank(text.back()) ||
                text.front() == '"';
  for (char c : text)
    if (c == ',' || c == '\r' || c == '\n') quoted = true;
  if (!quoted) return text;
  if (text.find('"') != std::string::npos)
    throw TextError{std::string(what) + " \"" + text +
                    "\" holds a double quote and needs quoting: no description file can give it back"};
  return '"' + text + '"';
}

}  // namespace

std::string line_text(const LineEntries& e) {
  TextFile f;
  f.section("[generale]", "- line length; chainage references (position; chainage; flag); scenery; signal repetition");
  f.entry("lunghezza percorso", {e.length});
  constexpr const char* kChainageKeys[] = {"progressiva chilometrica uno",
                                           "progressiva chilometrica due",
                                           "progressiva chilometrica tre"};
  for (size_t i = 0; i < 3; ++i)
    f.entry(kChainageKeys[i], {e.chainage[i].posizione, e.chainage[i].chainage, e.chainage[i].flag});
  f.entry("sfondo uno", {e.scenery[0]});
  f.entry("sfondo due", {e.scenery[1]});
  f.entry("sfondo tre", {e.scenery[2]});
  f.entry(e.nine_codes ? "ripetizione segnali 9 codici" : "ripetizione segnali 4 codici",
          {e.repetition_first, e.repetition_second});

  f.section("[curve]", "- curves: s left or d right and class 1 to 6; start (m); length (m)");
  for (const CurveEntry& c : e.curves)
    f.entry(std::string("curva") + c.side + c.class_digit, {c.posizione, c.length});
  f.section("[pendenze]", "- gradients: from (m); per mille");
  for (const GradientEntry& g : e.gradients) f.entry("pendenza", {g.posizione, g.pendenza});
  f.section("[montagne]", "- tunnels: start (m); end (m); kind (plus 10 for markers every 200 m)");
  for (const TunnelEntry& t : e.tunnels) f.entry("montagna", {t.inizio, t.fine, t.tipo});
  f.section("[cartelli]", "- speed-limit boards: position (m); left speeds and stripes; right speeds and stripes");
  for (const SpeedBoardEntry& b : e.speed_boards) f.entry("indicatori_vmax", b.values);
  f.section("[indicazioni]", "- name boards: position (m); text");
  for (const NameBoardEntry& b : e.name_boards)
    f.add("cartello_indicatore, " + std::to_string(b.posizione) + ", " +
          text_field(b.text, "the name board text"));
  return f.finish();
}

namespace {

void station_lines(TextFile& f, const TrainEntries& e) {
  if (!e.signals_under_stops.empty()) {
    f.section("[segnali]", "- signals that the station stops below write over: their markers stay");
    for (const SignalEntry& s : e.signals_under_stops) f.entry("segnale", s.values);
  }
  f.section("[stazioni]", "- stations: position; type; platform; F4 to F13; hours; minutes; seconds; name");
  for (const StationEntry& s : e.stations) {
    std::string line = "stazione";
    for (int64_t n : s.fields) line += ", " + std::to_string(n);
    f.add(line + ", " + text_field(s.nome, "the station name"));
  }
}

}  // namespace

std::string train_text(const TrainEntries& e) {
  TextFile f;
  f.section("[generale]", "- cars; braked mass (percent); sand; clock at the start");
  f.entry("numero vetture", {e.cars});
  f.entry("percentuale massa frenata", {e.braked_mass});
  f.entry("sabbia", {e.sand});
  f.entry("orologio", e.clock);
  f.section("[aderenze]", "- adhesion runs: from (m); percent");
  for (const RunEntry& r : e.adhesion) f.entry("aderenza", {r.posizione, r.value});
  f.section("[vel_limite]", "- speed limits: from (m); km/h");
  for (const RunEntry& r : e.speed) f.entry("velocita", {r.posizione, r.value});
  if (!e.stations_last) station_lines(f, e);
  f.section("[rallentamenti]", "- slowdowns: start (m); speed; length (m); f_tt; f_ta; d_v");
  for (const SlowdownEntry& s : e.slowdowns) f.entry("rallentamento", s.values);
  f.section("[segnali]", "- signals: position (m); sx; s1; s2; s3; rapp; dx; d1; d2; d3; tempo");
  for (const SignalEntry& s : e.signals) f.entry("segnale", s.values);
  f.section("[abbattimenti]", "- points written by the author (the compiler adds its own): position (m); value");
  for (const PointEntry& p : e.points) f.entry("abbattimento", {p.posizione, p.value});
  if (e.stations_last) station_lines(f, e);
  f.add("[codici]");
  return f.finish();
}
