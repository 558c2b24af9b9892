#include "decompile.h"

#include "recover.h"

Decompiled decompile(const Scenario& s, const OriginalFiles& files, bool verify) {
  Recovered r = recover(s);
  Decompiled out;
  out.warnings = r.warnings;
  out.problems = r.problems;
  try {
    out.line_text = line_text(r.line);
    // Station markers and signal markers may share cells; the one written
    // last stays. Stations first is the usual order of a train file.
    for (const bool stations_last : {false, true}) {
      r.train.stations_last = stations_last;
      const std::string train = train_text(r.train);
      if (!stations_last) out.train_text = train;
      if (!verify) return out;
      const RoundTrip trip = round_trip(out.line_text, train, s, files);
      if (!trip.difference) {
        out.train_text = train;
        out.error.reset();
        for (const std::string& note : trip.notes)
          out.warnings.push_back("the recovered files compile with a recorded code: " + note);
        return out;
      }
      if (!out.error) out.error = *trip.difference;
      if (r.train.stations.empty()) break;
    }
  } catch (const TextError& e) {
    out.error = e.what;
  }
  return out;
}
