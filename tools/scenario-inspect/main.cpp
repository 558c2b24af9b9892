// scenario-inspect: checks a compiled scenario and shows what it holds.

#include <iostream>

#include "cli.h"

int main(int argc, char** argv) { return esegui_inspect(argc, argv, std::cout, std::cerr); }
