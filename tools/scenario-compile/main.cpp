// scenario-compile: compiles a scenario author's description files with the
// builder's own compiler. See compile_cli.h for the command line.

#include <iostream>

#include "platform/system.h"
#include "compile_cli.h"

int main(int argc, char** argv) {
  os::Utf8CommandLine line(argc, argv);
  return run_compile(line.argc(), line.argv(), std::cout, std::cerr);
}
