#pragma once
// Helpers of the writers' tests: a form writing into a fresh folder, and the
// written bytes taken apart into lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form1.h"
#include "testing/test_platform.h"

/// The lines of a text file whose every line, the last included, ends with
/// CR LF. A CR or LF anywhere else, or bytes after the last CR LF, fail the test.
inline std::vector<std::string> crlf_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t inizio = 0;
  while (inizio < bytes.size()) {
    const std::size_t fine = bytes.find("\r\n", inizio);
    if (fine == std::string::npos) {
      ADD_FAILURE() << "bytes after the last CR LF: \"" << bytes.substr(inizio) << "\"";
      break;
    }
    std::string riga = bytes.substr(inizio, fine - inizio);
    EXPECT_EQ(riga.find_first_of("\r\n"), std::string::npos)
        << "stray line end in line " << lines.size() + 1;
    lines.push_back(std::move(riga));
    inizio = fine + 2;
  }
  return lines;
}

/// Positions of the bytes above 0x7F.
inline std::vector<std::size_t> non_ascii_byte(const std::string& bytes) {
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (static_cast<uint8_t>(bytes[i]) > 0x7F) positions.push_back(i);
  return positions;
}

/// A form with the built-in names whose program folder is a fresh one.
struct WriterTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  WriterTest() {
    form.nome_linea = kDefaultLineName;
    form.numero_treno = kDefaultTrainNumber;
  }

  std::filesystem::path file(const std::string& nome) const { return folder.path() / nome; }
  /// One of the scenario's files under the form's present names.
  std::filesystem::path file(ScenarioFile f) const {
    return folder.path() / scenario_file_name(f, form.nome_linea, form.numero_treno);
  }

  /// The names of the files in the folder, sorted.
  std::vector<std::string> present_files() const {
    std::vector<std::string> names;
    for (const auto& voce : std::filesystem::directory_iterator(folder.path()))
      names.push_back(voce.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};
