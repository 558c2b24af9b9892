// A line name with a Windows-1252 letter, as authors on Windows write them:
// the build makes files of the right names, and the inspector, given the
// names as typed (UTF-8), finds them again.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "cli.h"
#include "platform/ansi.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

TEST(WindowsNamesTest, AccentedLineNameIsWrittenAndFoundAgain) {
  TempFolder folder;
  TestPlatform platform(folder.path());
  Form1 form(platform);
  form.nome_linea = "Citt\xE0_Alta";  // Windows-1252, as the builder holds it
  form.numero_treno = "4158";
  form.dati_linea();
  form.dati_treno();
  form.memorizza_percorso(1);
  ASSERT_EQ(form.codice_errore, 0);

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    names.push_back(utf8_of_path(entry.path().filename()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Citt\xC3\xA0_Alta_4158.dat", "Citt\xC3\xA0_Alta_4158.sim",
                                             "Citt\xC3\xA0_Alta_linea.dat"}));

  std::vector<std::string> words = {"scenario-inspect", "-d", utf8_of_path(folder.path()), "-l",
                                    "Citt\xC3\xA0_Alta", "-t", "4158"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  EXPECT_EQ(run_inspect(static_cast<int>(words.size()), argv.data(), out, err), exit_status::valid)
      << err.str();
  EXPECT_EQ(err.str(), "");
}

}  // namespace
