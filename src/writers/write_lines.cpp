#include <stdexcept>
#include <string>

#include "app/form1.h"
#include "platform/ansi.h"
#include "writers/format.h"

namespace {

/// The bytes of a table up to its end marker, each line followed by CR LF.
/// A table without the marker inside its room, or one longer than its room,
/// is a fault of the writer that built it: nothing is written then.
std::string table_content(const std::string& what, const std::vector<std::string>& table) {
  if (table.size() > kTableRows)
    throw std::logic_error("line table for " + what + " holds " + std::to_string(table.size()) +
                           " entries, more than " + std::to_string(kTableRows));
  std::string content;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::string& riga = table[i];
    if (riga == kEndOfFile) return content;
    // A line end inside an entry would split it into lines of its own.
    if (riga.find_first_of("\r\n") != std::string::npos)
      throw std::logic_error("line table for " + what + ": entry " + std::to_string(i) +
                             " holds a line end");
    content += convert_to_ansi(riga, "line " + std::to_string(i + 1) + " of " + what);
    content += "\r\n";
  }
  throw std::logic_error("line table for " + what + " has no end marker");
}

}  // namespace

void Form1::write_lines(ScenarioFile file, const std::vector<std::string>& table) {
  // The whole content is built before the file is touched, so a faulty table
  // leaves any earlier file as it was.
  const std::string content =
      table_content(scenario_file_name(file, nome_linea, numero_treno), table);
  platform.replace_file(file_name(file), content);
}
