#pragma once
// Runs a real program of the build from a test, on Linux through the shell
// and on Windows (or under Wine) through cmd.exe, with the same meaning.

#include <filesystem>
#include <string>
#include <vector>

/// How a program is started: from which folder, and where its standard
/// output and standard error go. An empty folder keeps the test's own; an
/// empty file discards the stream.
struct ProgramRun {
  std::filesystem::path folder = {};
  std::filesystem::path output = {};
  std::filesystem::path errors = {};
};

/// Runs `program` with `arguments` (each passed as one argument) and returns
/// its exit status, or -1 when it did not end by itself.
int run_program(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const ProgramRun& run = {});
