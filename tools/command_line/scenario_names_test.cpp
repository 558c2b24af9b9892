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

namespace {

TEST(ScenarioNamesTest, HintsAtTheNameInsideAPathOrAFileName) {
  const struct {
    const char* typed;
    NameRole role;
    const char* hint;  ///< nullptr: no hint
  } cases[] = {
      {"Colle_linea.txt", NameRole::line, "did you mean '--line Colle'?"},
      {"Colle_linea.dat", NameRole::line, "did you mean '--line Colle'?"},
      {"Colle_2291-.txt", NameRole::line, "did you mean '--line Colle'?"},
      {"Colle_2291.sim", NameRole::train, "did you mean '--train 2291'?"},
      {"Colle_2291.dat", NameRole::train, "did you mean '--train 2291'?"},
      {"C:\\x\\y", NameRole::line, "did you mean '--line y' with the folder 'C:\\x'?"},
      {"C:\\y", NameRole::line, "did you mean '--line y' with the folder 'C:\\'?"},
      {"C:y", NameRole::train, "did you mean '--train y' with the folder 'C:'?"},
      {"a/b", NameRole::line, "did you mean '--line b' with the folder 'a'?"},
      {"/s/Colle_linea.txt", NameRole::line, "did you mean '--line Colle' with the folder '/s'?"},
      {"Colle", NameRole::line, nullptr},         // a plain name
      {"Colle_linea.txt", NameRole::train, nullptr},  // no train number in it
      {"a/", NameRole::line, nullptr},            // nothing after the folder
      {"a/b\tc", NameRole::line, nullptr},        // the bare name is no good either
  };
  for (const auto& c : cases) {
    const std::optional<std::string> hint = name_hint(c.typed, c.role);
    if (c.hint == nullptr) {
      EXPECT_FALSE(hint) << c.typed << ": " << *hint;
    } else {
      EXPECT_EQ(hint.value_or("(none)"), c.hint) << c.typed;
    }
  }
  const auto refused = check_name("Colle_linea.txt", "line name");
  ASSERT_TRUE(std::holds_alternative<RejectedName>(refused));
  EXPECT_EQ(std::get<RejectedName>(refused).reason,
            "line name \"Colle_linea.txt\": it is the name of a file, not of a scenario");
}

}  // namespace
