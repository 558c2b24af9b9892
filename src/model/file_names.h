#pragma once
// The names of the scenario's eight files, all formed from the line name
// and, for most, the train number. One table for the builder, the tools,
// the fuzz harness and the tests.

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

/// The files of one scenario.
enum class ScenarioFile : uint8_t {
  line_description,   ///< written by dati_linea, read and deleted by the line compiler
  train_description,  ///< written by dati_treno, read and deleted by the train compiler
  timetable_card,     ///< dati_scheda
  slowdown_notice,    ///< dati_rallentamenti
  notes,              ///< dati_note
  line_data,          ///< the track plan
  service,            ///< the 87 records
  grid,               ///< the cells
};

/// How one file's name is formed: line name, then "_" and the train number
/// when `with_train`, then the suffix.
struct ScenarioFileName {
  ScenarioFile file;
  bool with_train;
  const char* suffix;
};

inline constexpr ScenarioFileName kScenarioFileNames[] = {
    {ScenarioFile::line_description, false, "_linea.txt"},
    {ScenarioFile::train_description, true, "-.txt"},
    {ScenarioFile::timetable_card, true, "_scheda_treno.txt"},
    {ScenarioFile::slowdown_notice, true, "_rallentamenti.txt"},
    {ScenarioFile::notes, true, "_note.txt"},
    {ScenarioFile::line_data, false, "_linea.dat"},
    {ScenarioFile::service, true, ".sim"},
    {ScenarioFile::grid, true, ".dat"},
};

// scenario_file_name looks a row up by the file's number.
static_assert([] {
  for (size_t i = 0; i < std::size(kScenarioFileNames); ++i)
    if (static_cast<size_t>(kScenarioFileNames[i].file) != i) return false;
  return true;
}());

/// The two description files, which the build reads and deletes.
inline constexpr ScenarioFile kDescriptionFiles[] = {ScenarioFile::line_description,
                                                     ScenarioFile::train_description};
/// The three documents for the driver, which stay after the build.
inline constexpr ScenarioFile kDriverDocuments[] = {
    ScenarioFile::timetable_card, ScenarioFile::slowdown_notice, ScenarioFile::notes};
/// The three compiled files, in the order the build writes them.
inline constexpr ScenarioFile kCompiledFiles[] = {ScenarioFile::line_data, ScenarioFile::service,
                                                  ScenarioFile::grid};

/// The six files a whole run leaves: the documents and the compiled files.
inline constexpr ScenarioFile kFilesLeftByARun[] = {
    ScenarioFile::timetable_card, ScenarioFile::slowdown_notice, ScenarioFile::notes,
    ScenarioFile::line_data,      ScenarioFile::service,         ScenarioFile::grid};

/// The names of the built-in scenario.
inline constexpr const char* kDefaultLineName = "Valdarco_Lornese";
inline constexpr const char* kDefaultTrainNumber = "4158";

/// Line name, "_", train number: the stem of the train's files, and how
/// messages name a scenario.
inline std::string scenario_stem(std::string_view line, std::string_view train) {
  std::string stem(line);
  stem += '_';
  stem += train;
  return stem;
}

/// The file's name without a folder, in the bytes of the names (Windows-1252).
inline std::string scenario_file_name(ScenarioFile file, std::string_view line, std::string_view train) {
  const ScenarioFileName& row = kScenarioFileNames[static_cast<size_t>(file)];
  std::string name = row.with_train ? scenario_stem(line, train) : std::string(line);
  name += row.suffix;
  return name;
}
