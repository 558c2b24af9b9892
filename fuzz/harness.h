#pragma once
// The fuzz harnesses: one plain function per target, callable from a
// libFuzzer entry point and from the ordinary test suite alike. Each one runs
// an input through the code under test, checks the invariants that must hold
// for every input, and aborts with a message on stderr when one breaks.
//
// How one input becomes the files each harness needs:
//   - field reader: the whole input is a description file; when it holds a
//     NUL byte, the bytes before the first NUL choose the kinds of field read
//     in turn (byte % 4: text, 32-bit, 16-bit, 8-bit number) and the bytes
//     after it are the file.
//   - compilation (both targets): the bytes before the first NUL are the line description,
//     the bytes after it the train description; an input without a NUL has
//     no train description file at all.
//   - main program's run (the long-line compilation's inputs that begin with
//     a NUL byte, which as description files would be an empty line
//     description and all build alike): the low five bits of byte 1 choose
//     the write of the run that fails (1 for the first; 0, or a number past
//     the last, for none), its top three bits the command line (0: none; 1:
//     the program's folder, named; 2: a folder that does not exist; 3: a
//     folder below the program's, a folder only when a file is put there; 4:
//     two folders; more counts on from 0), then the program folder before the run, file by file: a byte choosing the
//     name (byte % 16: the eight files of the built-in scenario, then names
//     of other files), a 2-byte little-endian length, the bytes.
//   - inspector readers and output: byte 0 holds flags (bit 0: a line data file is
//     present), bytes 1-4 and 5-8 the lengths of the service file and of the
//     grid file (unsigned, little-endian, cut to what the input holds), then
//     the service file, the grid file, and the rest is the line data file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>


void fuzz_field_reader(std::span<const uint8_t> input);
void fuzz_compilation(std::span<const uint8_t> input);
void fuzz_compilation_long_line(std::span<const uint8_t> input);

/// The longest line fuzz_compilation builds. The grid and the per-metre plan
/// are sized from the line length, so a build costs time in proportion to
/// it: fuzz_compilation skips every input whose line description holds a
/// number above this (and so can declare no longer line), and
/// fuzz_compilation_long_line builds every input, long lines included.
inline constexpr int64_t kShortLineMetres = 2000;

/// Whether fuzz_compilation builds this input (its line description holds
/// no number above kShortLineMetres).
bool within_short_line(std::span<const uint8_t> input);
/// Whether fuzz_compilation_long_line hands this input to fuzz_program_run.
bool is_program_run(std::span<const uint8_t> input);

/// The main program's whole run (Form1::Form_Load) over an in-memory program
/// folder that the input lays out, one write of the run failing if the input
/// says so. The folder must end as a run on an empty folder leaves it, which
/// is checked once against the pinned digests of the built-in scenario: the
/// old files of the scenario's names replaced, the description files gone,
/// every other file untouched. A failed write ends the run with status 3 and
/// one line naming its file, after the files written before it and with the
/// files of that write and the later ones as they were.
void fuzz_program_run(std::span<const uint8_t> input);

/// The input of fuzz_program_run (and of fuzz_compilation_long_line) for a
/// folder of files, each a name byte and its bytes, the write that fails
/// (below 32) and the command line.
std::string program_run_input(uint8_t failing_write,
                              std::span<const std::pair<uint8_t, std::string_view>> files,
                              uint8_t command_line = 0);

void fuzz_inspector_readers(std::span<const uint8_t> input);
/// The inspector's readers, then what the tool makes of every scenario that
/// reads (decoded, reported, rendered): slower, and run on inputs large
/// enough for a whole scenario with its plan.
void fuzz_inspector_output(std::span<const uint8_t> input);

/// The input of fuzz_compilation for two description files.
std::string compilation_input(std::string_view line, std::optional<std::string_view> train);

/// The input of fuzz_inspector_readers for the three compiled files.
std::string inspector_input(std::string_view service, std::string_view grid,
                            std::optional<std::string_view> line);
