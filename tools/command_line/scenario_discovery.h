#pragma once
// The scenarios a folder holds, found from the names of its files, so that
// a tool run in a folder with one scenario needs no names.

#include <filesystem>
#include <string>
#include <vector>

/// Which files make a scenario for a tool.
enum class ScenarioFiles {
  descriptions,  ///< <line>_linea.txt and <line>_<train>-.txt (the compiler's input)
  compiled,      ///< <line>_<train>.sim and <line>_<train>.dat (the inspector's input)
};

/// A line name and a train number, UTF-8.
struct ScenarioNames {
  std::string line, train;
  friend bool operator==(const ScenarioNames&, const ScenarioNames&) = default;
  friend auto operator<=>(const ScenarioNames&, const ScenarioNames&) = default;
};

/// Every scenario of the folder, sorted by line then train; none when the
/// folder cannot be read. Compiled scenarios take their line name from the
/// line data file <line>_linea.dat beside them; without one, the line name
/// ends at the last "_" of the files' common stem.
std::vector<ScenarioNames> scenarios_in(const std::filesystem::path& folder, ScenarioFiles files);
