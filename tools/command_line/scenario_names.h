#pragma once
// The line name and the train number as they come from the command line.
// Every file name is formed from them, so they are checked before anything
// is read: a name that could reach outside the folder, or that the files
// cannot hold, is refused. A name that looks like a path or a file name
// gets a hint at the name it probably meant.

#include <optional>
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

/// Which of the two names a text was given as.
enum class NameRole { line, train };

/// What an author probably meant by a name that is a path (`C:\x\y`, `a/b`)
/// or the name of a scenario file (`Name_linea.txt`, `Name_12-.txt`): the
/// option with the bare name, and the folder to give as the argument when
/// the text held one, e.g. "did you mean '--line Name' with the folder 'C:\x'?".
/// Nothing for a name that looks like neither.
std::optional<std::string> name_hint(std::string_view utf8, NameRole role);

/// True when the name ends like a scenario file (`_linea.txt`, `-.txt`,
/// `.sim`, `.dat`, ...): such a name would form file names such as
/// `Name_linea.txt_linea.txt`, which no author means.
bool looks_like_file_name(std::string_view utf8);
