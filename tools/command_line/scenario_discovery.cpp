#include "scenario_discovery.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <system_error>

#include "model/file_names.h"
#include "platform/ansi.h"

namespace fs = std::filesystem;

namespace {

std::string_view suffix_of(ScenarioFile file) {
  return kScenarioFileNames[static_cast<size_t>(file)].suffix;
}

/// The names of the folder's regular files, UTF-8.
std::set<std::string> file_names(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (it->is_regular_file(kind)) names.insert(utf8_of_path(it->path().filename()));
  }
  return names;
}

/// The stems of the names that end with the suffix (and hold more than it).
std::vector<std::string> stems(const std::set<std::string>& names, std::string_view suffix) {
  std::vector<std::string> found;
  for (const std::string& name : names)
    if (name.size() > suffix.size() && name.ends_with(suffix))
      found.push_back(name.substr(0, name.size() - suffix.size()));
  return found;
}

/// The train numbers of the stems "<line>_<train>" of one line.
void add_trains(const std::string& line, const std::vector<std::string>& train_stems,
                std::vector<ScenarioNames>& scenarios) {
  const std::string prefix = line + "_";
  for (const std::string& stem : train_stems)
    if (stem.size() > prefix.size() && stem.starts_with(prefix))
      scenarios.push_back({line, stem.substr(prefix.size())});
}

std::vector<ScenarioNames> description_scenarios(const std::set<std::string>& names) {
  std::vector<ScenarioNames> scenarios;
  const std::vector<std::string> trains = stems(names, suffix_of(ScenarioFile::train_description));
  for (const std::string& line : stems(names, suffix_of(ScenarioFile::line_description)))
    add_trains(line, trains, scenarios);
  return scenarios;
}

std::vector<ScenarioNames> compiled_scenarios(const std::set<std::string>& names) {
  std::vector<std::string> trains;
  for (const std::string& stem : stems(names, suffix_of(ScenarioFile::service)))
    if (names.contains(stem + std::string(suffix_of(ScenarioFile::grid)))) trains.push_back(stem);
  std::vector<ScenarioNames> scenarios;
  for (const std::string& line : stems(names, suffix_of(ScenarioFile::line_data)))
    add_trains(line, trains, scenarios);
  for (const std::string& stem : trains) {
    const bool named = std::any_of(scenarios.begin(), scenarios.end(), [&](const ScenarioNames& s) {
      return s.line + "_" + s.train == stem;
    });
    const size_t last = stem.rfind('_');
    if (!named && last != std::string::npos && last > 0 && last + 1 < stem.size())
      scenarios.push_back({stem.substr(0, last), stem.substr(last + 1)});
  }
  return scenarios;
}

}  // namespace

std::vector<ScenarioNames> scenarios_in(const fs::path& folder, ScenarioFiles files) {
  const std::set<std::string> names = file_names(folder);
  std::vector<ScenarioNames> scenarios =
      files == ScenarioFiles::descriptions ? description_scenarios(names) : compiled_scenarios(names);
  std::sort(scenarios.begin(), scenarios.end());
  return scenarios;
}
