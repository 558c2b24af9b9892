#pragma once
// The codes a build can record or raise, what each means to a scenario
// author, and the one report line of a recorded code. The main program and
// the author tools share this table.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

/// Exit status of a run of the builder.
namespace exit_status {
inline constexpr int clean = 0;          ///< clean build, every file written
inline constexpr int recorded_code = 1;  ///< a recorded code, or no grid to write
inline constexpr int usage = 2;  ///< a bad command line (the tools: or a missing input)
inline constexpr int fatal = 3;  ///< a guard, a file failure, or a text the files cannot hold
}  // namespace exit_status

/// One code of the build.
struct ErrorCode {
  int32_t code;
  bool has_position;    ///< the code records posizione_errore (metres)
  const char* meaning;  ///< short meaning, in words an author can act on
};

/// Every code, ascending.
std::span<const ErrorCode> code_table();

/// The row of a code; nullptr for a number that is no code of the build.
const ErrorCode* find_code(int32_t code);

/// The report line of a recorded code, e.g.
///   "Valdarco_Lornese_4158: error 16 at 5950 m: a signal stands on an occupied cell"
/// `scenario` names the build (line name, "_", train number). The position
/// appears only for codes that record one; a non-empty `detail` (what
/// failed, for code 25) follows the meaning in parentheses.
std::string code_line(std::string_view scenario, int32_t code, int32_t posizione,
                      std::string_view detail = {});
