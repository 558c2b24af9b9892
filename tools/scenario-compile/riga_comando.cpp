#include "riga_comando.h"

#include <string>

#include "app/codici_errore.h"
#include "command_line.h"
#include "platform/ansi.h"
#include "sessione.h"

namespace {

constexpr const char* kUso =
    "Usage: scenario-compile [OPTIONS] [SOURCE_FOLDER]\n"
    "Compiles the line description <line>_linea.txt and the train description\n"
    "<line>_<train>-.txt of SOURCE_FOLDER (default: the current folder) into the\n"
    "simulator's files <line>_linea.dat, <line>_<train>.sim and <line>_<train>.dat.\n"
    "The description files are only read, never changed.\n"
    "\n"
    "  -l, --line NAME      line name (default Valdarco_Lornese)\n"
    "  -t, --train NUMBER   train number (default 4158)\n"
    "  -o, --output DIR     folder that receives the compiled files\n"
    "                       (default: the source folder)\n"
    "  -c, --check          compile and report, write nothing\n"
    "  -h, --help           print this help and end\n"
    "  -V, --version        print the version and end\n"
    "\n"
    "Exit status: 0 clean; 1 the build recorded an error code; 2 a usage or\n"
    "input error; 3 a guard (codes 1250, 1251) or a file failure.\n";

constexpr const char* kProva = "Try 'scenario-compile --help' for more information.\n";

enum OptionId { kLine, kTrain, kOutput, kCheck, kHelp, kVersion };

constexpr OptionSpec kOpzioni[] = {
    {'l', "line", true, kLine},
    {'t', "train", true, kTrain},
    {'o', "output", true, kOutput},
    {'c', "check", false, kCheck},
    {'h', "help", false, kHelp},
    {'V', "version", false, kVersion},
};

int errore_uso(std::ostream& messaggi, const std::string& testo) {
  messaggi << "scenario-compile: " << testo << '\n' << kProva;
  return stato_uscita::uso;
}

}  // namespace

int esegui_riga_comando(int argc, char** argv, std::ostream& uscita, std::ostream& messaggi) {
  const ParsedCommandLine riga = parse_command_line(argc, argv, kOpzioni);
  Richiesta richiesta;
  for (const FoundOption& o : riga.options) {
    switch (o.id) {
      case kLine:
        richiesta.linea = o.value;
        break;
      case kTrain:
        richiesta.treno = o.value;
        break;
      case kOutput:
        richiesta.uscita = path_from_utf8(o.value);
        break;
      case kCheck:
        richiesta.solo_verifica = true;
        break;
      case kHelp:
        uscita << kUso;
        return stato_uscita::pulito;
      case kVersion:
        uscita << "scenario-compile " << SCENARIO_VERSION << '\n';
        return stato_uscita::pulito;
    }
  }
  if (riga.error == OptionError::missing_value)
    return errore_uso(messaggi, "option '" + riga.argument + "' needs a value");
  if (riga.error == OptionError::unknown_option)
    return errore_uso(messaggi, "unknown option '" + riga.argument + "'");
  if (riga.operands.size() > 1)
    return errore_uso(messaggi, "one source folder at most, found '" + riga.operands[1] +
                                    "' as well");
  if (!riga.operands.empty()) richiesta.sorgente = path_from_utf8(riga.operands[0]);
  return compila_scenario(richiesta, messaggi);
}
