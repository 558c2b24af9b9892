#pragma once
// Builds in memory, for tests, fuzz programs and benchmarks: the built-in
// scenario's two description files as the main program writes them, and the
// three compiled files of any two description files, as the main program
// would compile them.

#include <cstdint>
#include <string>

#include "model/file_names.h"

/// The two description files of a scenario, Windows-1252 bytes.
struct Descriptions {
  std::string line, train;
};

/// The built-in scenario's description files, from the main program's writers.
Descriptions built_in_descriptions();

/// The three compiled files of one build and the code it recorded. A file
/// the build did not write is empty.
struct CompiledInMemory {
  std::string line_data, service, grid;
  int32_t codice_errore = 0;
};

/// Compiles two description files under the given names, as the main
/// program does (line switch 1).
CompiledInMemory compile_in_memory(const std::string& line, const std::string& train,
                                   const std::string& nome_linea = kDefaultLineName,
                                   const std::string& numero_treno = kDefaultTrainNumber);
