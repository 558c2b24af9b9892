#include <stdexcept>
#include <string>

#include "app/form1.h"
#include "platform/ansi.h"
#include "writers/formato.h"

namespace {

/// The bytes of a table up to its end marker, each line followed by CR LF.
/// A table without the marker inside its room, or one longer than its room,
/// is a fault of the writer that built it: nothing is written then.
std::string contenuto_tabella(const std::string& cosa, const std::vector<std::string>& tabella) {
  if (tabella.size() > kRigheTabella)
    throw std::logic_error("line table for " + cosa + " holds " + std::to_string(tabella.size()) +
                           " entries, more than " + std::to_string(kRigheTabella));
  std::string contenuto;
  for (std::size_t i = 0; i < tabella.size(); ++i) {
    const std::string& riga = tabella[i];
    if (riga == kFineFile) return contenuto;
    // A line end inside an entry would split it into lines of its own.
    if (riga.find_first_of("\r\n") != std::string::npos)
      throw std::logic_error("line table for " + cosa + ": entry " + std::to_string(i) +
                             " holds a line end");
    contenuto += converti_ansi(riga, "line " + std::to_string(i + 1) + " of " + cosa);
    contenuto += "\r\n";
  }
  throw std::logic_error("line table for " + cosa + " has no end marker");
}

}  // namespace

void Form1::scrivi_righe(ScenarioFile file, const std::vector<std::string>& tabella) {
  // The whole content is built before the file is touched, so a faulty table
  // leaves any earlier file as it was.
  const std::string contenuto =
      contenuto_tabella(scenario_file_name(file, nome_linea, numero_treno), tabella);
  platform.replace_file(nome_file(file), contenuto);
}
