#include "scenario_names.h"

#include <cstdint>
#include <cstdio>
#include <optional>

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
  return *ansi;
}
