#pragma once
// Scenarios made up from a fixed seed for the round-trip tests: description
// files with every kind of item the builder knows, laid out so that each
// compiles cleanly (point items on cells of their own, station stops on
// cells no other item takes).

#include <cstdint>
#include <string>

struct GeneratedScenario {
  std::string line;   ///< line description, Windows-1252, CR LF
  std::string train;  ///< train description
};

/// The scenario of one seed: the same bytes for the same seed on every system.
GeneratedScenario generated_scenario(uint32_t seed);
