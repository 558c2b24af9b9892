#pragma once
// The codes a build can record or raise, what each means to a scenario
// author, and the one report line of a recorded code. The main program and
// the author tools share this table.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

/// Exit status of a run of the builder.
namespace stato_uscita {
inline constexpr int pulito = 0;             ///< clean build, every file written
inline constexpr int codice_registrato = 1;  ///< a recorded code, or no grid to write
inline constexpr int uso = 2;  ///< a bad command line (the tools: or a missing input)
inline constexpr int fatale = 3;  ///< a guard, a file failure, or a text the files cannot hold
}  // namespace stato_uscita

/// One code of the build.
struct CodiceErrore {
  int32_t codice;
  bool con_posizione;       ///< the code records posizione_errore (metres)
  const char* significato;  ///< short meaning, in words an author can act on
};

/// Every code, ascending.
std::span<const CodiceErrore> tabella_codici();

/// The row of a code; nullptr for a number that is no code of the build.
const CodiceErrore* cerca_codice(int32_t codice);

/// The report line of a recorded code, e.g.
///   "Valdarco_Lornese_4158: error 16 at 5950 m: a signal stands on an occupied cell"
/// `scenario` names the build (line name, "_", train number). The position
/// appears only for codes that record one; a non-empty `dettaglio` (what
/// failed, for code 25) follows the meaning in parentheses.
std::string riga_codice(std::string_view scenario, int32_t codice, int32_t posizione,
                        std::string_view dettaglio = {});
