#pragma once
// The command line of scenario-compile:
//   scenario-compile [OPTIONS] [SOURCE_FOLDER]

#include <ostream>

/// Parses the options, runs the compilation and returns the
/// exit status. Help and version go to `uscita`, every message to `messaggi`.
int esegui_riga_comando(int argc, char** argv, std::ostream& uscita, std::ostream& messaggi);
