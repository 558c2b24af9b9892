#include "scenario_names.h"

#include <gtest/gtest.h>

namespace {

TEST(ScenarioNamesTest, AcceptsNamesTheFilesCanHoldAndConvertsThemToWindows1252) {
  const struct {
    const char* utf8;
    const char* ansi;
  } cases[] = {
      {"Valdarco_Lornese", "Valdarco_Lornese"},
      {"4158", "4158"},
      {"Colle Ferrato", "Colle Ferrato"},
      {"Citt\xC3\xA0", "Citt\xE0"},      // à
      {"Linea\xE2\x82\xAC", "Linea\x80"},  // the euro sign, 0x80 in Windows-1252
      {"a.b", "a.b"},
  };
  for (const auto& c : cases) {
    const auto outcome = check_name(c.utf8, "line name");
    ASSERT_TRUE(std::holds_alternative<std::string>(outcome)) << c.utf8;
    EXPECT_EQ(std::get<std::string>(outcome), c.ansi);
  }
}

TEST(ScenarioNamesTest, RefusesNamesThatCouldLeaveTheFolderOrThatTheFilesCannotHold) {
  const struct {
    std::string utf8;
    std::string reason;
  } cases[] = {
      {"", "train number \"\": it is empty"},
      {"a/b", "train number \"a/b\": it holds a path separator"},
      {"a\\b", "train number \"a\\b\": it holds a path separator"},
      {"..", "train number \"..\": it holds \"..\""},
      {"x..y", "train number \"x..y\": it holds \"..\""},
      {"a\tb", "train number \"a\tb\": it holds the control character 0x09"},
      {std::string("a\0b", 3),
       "train number \"" + std::string("a\0b", 3) + "\": it holds the control character 0x00"},
      {"a\x7F", "train number \"a\x7F\": it holds the control character 0x7F"},
      {"\xFF", "train number \"\xFF\": it is not UTF-8 text, or it holds a character outside "
               "Windows-1252"},
      {"\xCE\xA9", "train number \"\xCE\xA9\": it is not UTF-8 text, or it holds a character "
                   "outside Windows-1252"},  // Greek capital omega
      {"\xC2\x81", "train number \"\xC2\x81\": it is not UTF-8 text, or it holds a character "
                   "outside Windows-1252"},  // a byte Windows-1252 leaves undefined
  };
  for (const auto& c : cases) {
    const auto outcome = check_name(c.utf8, "train number");
    ASSERT_TRUE(std::holds_alternative<RejectedName>(outcome)) << c.utf8;
    EXPECT_EQ(std::get<RejectedName>(outcome).reason, c.reason);
  }
}

}  // namespace
