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
//   - inspector readers and output: byte 0 holds flags (bit 0: a line data file is
//     present), bytes 1-4 and 5-8 the lengths of the service file and of the
//     grid file (unsigned, little-endian, cut to what the input holds), then
//     the service file, the grid file, and the rest is the line data file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>


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
