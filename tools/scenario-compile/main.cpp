// scenario-compile: compiles a scenario author's description files with the
// builder's own compiler. See riga_comando.h for the command line.

#include <iostream>

#include "platform/system.h"
#include "riga_comando.h"

int main(int argc, char** argv) {
  os::Utf8CommandLine line(argc, argv);
  return esegui_riga_comando(line.argc(), line.argv(), std::cout, std::cerr);
}
