#include "riga_comando.h"

#include <getopt.h>

#include <string>

#include "app/codici_errore.h"
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

constexpr option kOpzioni[] = {
    {"line", required_argument, nullptr, 'l'},
    {"train", required_argument, nullptr, 't'},
    {"output", required_argument, nullptr, 'o'},
    {"check", no_argument, nullptr, 'c'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

int errore_uso(std::ostream& messaggi, const std::string& testo) {
  messaggi << "scenario-compile: " << testo << '\n' << kProva;
  return stato_uscita::uso;
}

}  // namespace

int esegui_riga_comando(int argc, char** argv, std::ostream& uscita, std::ostream& messaggi) {
  Richiesta richiesta;
  optind = 0;  // a fresh parse on every call (GNU getopt)
  opterr = 0;  // the messages are ours
  for (;;) {
    const int c = getopt_long(argc, argv, ":l:t:o:chV", kOpzioni, nullptr);
    if (c == -1) break;
    switch (c) {
      case 'l':
        richiesta.linea = optarg;
        break;
      case 't':
        richiesta.treno = optarg;
        break;
      case 'o':
        richiesta.uscita = optarg;
        break;
      case 'c':
        richiesta.solo_verifica = true;
        break;
      case 'h':
        uscita << kUso;
        return stato_uscita::pulito;
      case 'V':
        uscita << "scenario-compile " << SCENARIO_VERSION << '\n';
        return stato_uscita::pulito;
      case ':':
        return errore_uso(messaggi, std::string("option '") + argv[optind - 1] + "' needs a value");
      default:
        return errore_uso(messaggi, std::string("unknown option '") + argv[optind - 1] + "'");
    }
  }
  if (argc - optind > 1)
    return errore_uso(messaggi, std::string("one source folder at most, found '") +
                                    argv[optind + 1] + "' as well");
  if (optind < argc) richiesta.sorgente = argv[optind];
  return compila_scenario(richiesta, messaggi);
}
