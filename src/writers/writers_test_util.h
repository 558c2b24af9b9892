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
inline std::vector<std::string> righe_crlf(const std::string& bytes) {
  std::vector<std::string> righe;
  std::size_t inizio = 0;
  while (inizio < bytes.size()) {
    const std::size_t fine = bytes.find("\r\n", inizio);
    if (fine == std::string::npos) {
      ADD_FAILURE() << "bytes after the last CR LF: \"" << bytes.substr(inizio) << "\"";
      break;
    }
    std::string riga = bytes.substr(inizio, fine - inizio);
    EXPECT_EQ(riga.find_first_of("\r\n"), std::string::npos)
        << "stray line end in line " << righe.size() + 1;
    righe.push_back(std::move(riga));
    inizio = fine + 2;
  }
  return righe;
}

/// Positions of the bytes above 0x7F.
inline std::vector<std::size_t> byte_non_ascii(const std::string& bytes) {
  std::vector<std::size_t> posizioni;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (static_cast<uint8_t>(bytes[i]) > 0x7F) posizioni.push_back(i);
  return posizioni;
}

/// A form with the built-in names whose program folder is a fresh one.
struct WriterTest : testing::Test {
  TempFolder cartella;
  TestPlatform platform{cartella.path()};
  Form1 form{platform};

  WriterTest() {
    form.nome_linea = kDefaultLineName;
    form.numero_treno = kDefaultTrainNumber;
  }

  std::filesystem::path file(const std::string& nome) const { return cartella.path() / nome; }
  /// One of the scenario's files under the form's present names.
  std::filesystem::path file(ScenarioFile f) const {
    return cartella.path() / scenario_file_name(f, form.nome_linea, form.numero_treno);
  }

  /// The names of the files in the folder, sorted.
  std::vector<std::string> file_presenti() const {
    std::vector<std::string> nomi;
    for (const auto& voce : std::filesystem::directory_iterator(cartella.path()))
      nomi.push_back(voce.path().filename().string());
    std::sort(nomi.begin(), nomi.end());
    return nomi;
  }
};
