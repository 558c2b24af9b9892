#include "model/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The names, written out as the simulator and scenario authors know them.
TEST(ScenarioFileNameTest, EveryFileOfTheBuiltInAndOfAnotherScenario) {
  struct Case {
    ScenarioFile file;
    const char* built_in;
    const char* other;
  };
  const Case cases[] = {
      {ScenarioFile::line_description, "Valdarco_Lornese_linea.txt", "Monte_Prova_linea.txt"},
      {ScenarioFile::train_description, "Valdarco_Lornese_4158-.txt", "Monte_Prova_12-.txt"},
      {ScenarioFile::timetable_card, "Valdarco_Lornese_4158_scheda_treno.txt", "Monte_Prova_12_scheda_treno.txt"},
      {ScenarioFile::slowdown_notice, "Valdarco_Lornese_4158_rallentamenti.txt", "Monte_Prova_12_rallentamenti.txt"},
      {ScenarioFile::notes, "Valdarco_Lornese_4158_note.txt", "Monte_Prova_12_note.txt"},
      {ScenarioFile::line_data, "Valdarco_Lornese_linea.dat", "Monte_Prova_linea.dat"},
      {ScenarioFile::service, "Valdarco_Lornese_4158.sim", "Monte_Prova_12.sim"},
      {ScenarioFile::grid, "Valdarco_Lornese_4158.dat", "Monte_Prova_12.dat"},
  };
  ASSERT_EQ(std::size(cases), std::size(kScenarioFileNames));
  for (const Case& c : cases) {
    EXPECT_EQ(scenario_file_name(c.file, kDefaultLineName, kDefaultTrainNumber), c.built_in);
    EXPECT_EQ(scenario_file_name(c.file, "Monte_Prova", "12"), c.other);
  }
  // Windows-1252 bytes pass through as they are.
  EXPECT_EQ(scenario_file_name(ScenarioFile::service, "Citt\xE0", "1"), "Citt\xE0_1.sim");
}

}  // namespace
