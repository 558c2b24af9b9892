#pragma once
// The proof of a decompilation: the recovered description files compiled
// in memory by the builder's own compiler, grid scan, guards and writers,
// and every compiled file compared with the original byte for byte.

#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

/// The original compiled files, as read from disk.
struct OriginalFiles {
  std::string grid;
  std::string service;
  std::optional<std::string> line_data;  ///< none when the folder has no line data file
  std::string grid_name, service_name, line_data_name;  ///< as shown to the user
};

struct RoundTrip {
  /// The first difference, as "FILE: offset N: ITEM: ...", or nothing
  /// when every file compiled back the same.
  std::optional<std::string> difference;
  /// Codes the build of the recovered files recorded (never a difference
  /// in itself: recorded codes change no byte).
  std::vector<std::string> notes;
};

/// Compiles the two description texts under the names of the records and
/// compares the outcome with the original files.
RoundTrip round_trip(const std::string& line_text, const std::string& train_text,
                     const Scenario& original, const OriginalFiles& files);
