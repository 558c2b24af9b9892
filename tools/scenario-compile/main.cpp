// scenario-compile: compiles a scenario author's description files with the
// builder's own compiler. See riga_comando.h for the command line.

#include <iostream>

#include "riga_comando.h"

int main(int argc, char** argv) { return esegui_riga_comando(argc, argv, std::cout, std::cerr); }
