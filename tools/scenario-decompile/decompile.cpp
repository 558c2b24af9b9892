#include "decompile.h"

#include "recover.h"

namespace {

/// The entries to try, the usual first: where items overwrote each other,
/// the order in which they were written decides what the files hold.
constexpr Choices kChoices[] = {
    {false, false, false},
    {false, true, false},  // station markers over signal markers
    {true, false, false},  // tunnels that overlapped
    {true, true, false},
    {false, false, true},  // signals under station stops
    {true, false, true},
};

}  // namespace

Decompiled decompile(const Scenario& s, const OriginalFiles& files, bool verify) {
  Decompiled out;
  // A choice that changes nothing is not tried.
  const bool stations = station_count(s) > 0;
  bool markers = false;
  for (const cella& c : s.percorso) markers = markers || c.tipo == cell_type::tunnel_marker;
  for (const Choices& choices : kChoices) {
    if ((choices.stations_last && !stations) || (choices.signals_under_stops && !stations) ||
        (choices.tunnel_markers_apart && !markers))
      continue;
    const Recovered r = recover(s, choices);
    try {
      const std::string line = line_text(r.line);
      const std::string train = train_text(r.train);
      if (!verify) return {line, train, r.warnings, std::nullopt, r.problems};
      const RoundTrip trip = round_trip(line, train, s, files);
      if (!trip.difference) {
        Decompiled good{line, train, r.warnings, std::nullopt, {}};
        for (const std::string& note : trip.notes)
          good.warnings.push_back("the recovered files compile with a recorded code: " + note);
        return good;
      }
      // The first attempt's difference and notes are the ones to show.
      if (!out.error) out = {line, train, r.warnings, *trip.difference, r.problems};
    } catch (const TextError& e) {
      return {{}, {}, r.warnings, e.what, r.problems};
    }
  }
  return out;
}
