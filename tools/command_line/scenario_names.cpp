#include "scenario_names.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "model/file_names.h"
#include "platform/ansi.h"

namespace {

bool control_character(uint8_t byte) { return byte < 0x20 || byte == 0x7F; }

std::string hexadecimal(uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
  return text;
}

// The reason a converted name cannot name a file of the folder, if any.
std::optional<std::string> defect(std::string_view nome) {
  if (nome.empty()) return "it is empty";
  for (char c : nome) {
    const auto byte = static_cast<uint8_t>(c);
    if (c == '/' || c == '\\') return "it holds a path separator";
    if (control_character(byte))
      return "it holds the control character " + hexadecimal(byte);
  }
  if (nome.find("..") != std::string_view::npos) return "it holds \"..\"";
  return std::nullopt;
}

/// The scenario file row whose suffix ends the name, if any (the longest
/// one: `_linea.dat` before `.dat`).
const ScenarioFileName* file_suffix_of(std::string_view name) {
  const ScenarioFileName* found = nullptr;
  for (const ScenarioFileName& row : kScenarioFileNames) {
    const std::string_view suffix = row.suffix;
    if (name.size() > suffix.size() && name.ends_with(suffix) &&
        (found == nullptr || suffix.size() > std::string_view(found->suffix).size()))
      found = &row;
  }
  return found;
}

/// The bare name inside a scenario file's name: the line name of
/// `Line_linea.txt`, the train number of `Line_12-.txt`; nothing when the
/// file's name does not hold the name asked for.
std::optional<std::string> name_in_file_name(std::string_view file, NameRole role) {
  const ScenarioFileName* row = file_suffix_of(file);
  if (row == nullptr) return std::nullopt;
  std::string_view stem = file.substr(0, file.size() - std::string_view(row->suffix).size());
  if (!row->with_train) {
    if (role == NameRole::train) return std::nullopt;
    return std::string(stem);
  }
  const size_t last = stem.rfind('_');
  if (last == std::string_view::npos || last == 0 || last + 1 == stem.size()) return std::nullopt;
  return std::string(role == NameRole::line ? stem.substr(0, last) : stem.substr(last + 1));
}

}  // namespace

std::variant<std::string, RejectedName> check_name(std::string_view utf8,
                                                   std::string_view what) {
  std::string shown = "\"";
  shown.append(utf8).push_back('"');
  const std::optional<std::string> ansi = utf8_to_cp1252(utf8);
  if (!ansi)
    return RejectedName{std::string(what) + " " + shown +
                         ": it is not UTF-8 text, or it holds a character outside Windows-1252"};
  if (const std::optional<std::string> reason = defect(*ansi))
    return RejectedName{std::string(what) + " " + shown + ": " + *reason};
  if (looks_like_file_name(utf8))
    return RejectedName{std::string(what) + " " + shown + ": it is the name of a file, not of a scenario"};
  return *ansi;
}

bool looks_like_file_name(std::string_view utf8) { return file_suffix_of(utf8) != nullptr; }

std::optional<std::string> name_hint(std::string_view utf8, NameRole role) {
  // Both separators on every system: a Windows path typed on Linux is as
  // plainly a path as the other way round. A drive ("C:") counts as folder.
  const size_t cut = utf8.find_last_of(":/\\");
  const std::string_view folder = cut == std::string_view::npos ? std::string_view() : utf8.substr(0, cut + 1);
  std::string name(cut == std::string_view::npos ? utf8 : utf8.substr(cut + 1));
  if (const std::optional<std::string> inner = name_in_file_name(name, role)) name = *inner;
  else if (looks_like_file_name(name)) return std::nullopt;
  if (name.empty() || name == utf8 || !std::holds_alternative<std::string>(check_name(name, "")))
    return std::nullopt;
  std::string hint = std::string("did you mean '") + (role == NameRole::line ? "--line " : "--train ") + name + "'";
  if (!folder.empty()) {
    // "C:\x\" names the folder C:\x; "C:" and "/" stay as they are.
    std::string_view shown = folder;
    if (shown.size() > 1 && shown.back() != ':' && shown[shown.size() - 2] != ':') shown.remove_suffix(1);
    hint += " with the folder '" + std::string(shown) + "'";
  }
  return hint + "?";
}
