#pragma once
// The line name and the train number as they come from the command line.
// Every file name is formed from them, so they are checked before anything
// is read: a name that could reach outside the folder, or that the files
// cannot hold, is refused.

#include <string>
#include <string_view>
#include <variant>

/// Why a name was refused, in words for the person who typed it.
struct RejectedName {
  std::string reason;
};

/// The name as Windows-1252 bytes, or why it is refused: empty, not valid
/// UTF-8 or outside Windows-1252, holding "/", "\", "..", or a control
/// character (below 0x20, and 0x7F). `what` names it in the message
/// ("line name", "train number").
std::variant<std::string, RejectedName> check_name(std::string_view utf8,
                                                   std::string_view what);
