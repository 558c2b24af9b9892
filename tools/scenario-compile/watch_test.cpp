#include "watch.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "compile_cli.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLine = "Colle_Ferrato_linea.txt";
constexpr const char* kTrain = "Colle_Ferrato_2291-.txt";

/// The example scenario in a folder of its own, and a watch driven by a
/// script: each wait runs the next step of the script (an author's edit,
/// or nothing), and the watch stops at the wait after the last step, once
/// it has looked at the files after that step. The clock counts the lines
/// it stamps.
struct WatchTest : testing::Test {
  TempFolder folder;
  std::vector<std::function<void()>> script;
  size_t waits = 0;
  int ticks = 0;
  std::ostringstream output, messages;

  void SetUp() override {
    for (const char* name : {kLine, kTrain}) fs::copy_file(fs::path(SCENARIO_EXAMPLES_DIR) / name, folder.path() / name);
  }

  /// The author saves a file: new bytes, and a time no file system rounds away.
  void edit(const char* name, const std::string& bytes) {
    const fs::path file = folder.path() / name;
    const fs::file_time_type before = fs::last_write_time(file);
    write_bytes(file, bytes);
    fs::last_write_time(file, before + std::chrono::seconds(5));
  }

  int watch(std::vector<std::string> arguments) {
    const WatchControl control{[this] {
                                 if (waits < script.size()) script[waits]();
                                 ++waits;
                               },
                               [this] { return waits > script.size(); },
                               [this] { return "T" + std::to_string(++ticks); }};
    arguments.insert(arguments.begin(), "scenario-compile");
    arguments.push_back(folder.path().string());
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run_compile(static_cast<int>(arguments.size()), argv.data(), output, messages, &control);
  }
};

TEST_F(WatchTest, CompilesAgainAfterEachChangeAndOnlyThen) {
  const std::string bad_line = "[generale]\r\nlunghezza percorso, many\r\n[fine]\r\n";
  const std::string good_line = read_bytes(folder.path() / kLine);
  script = {[] {}, [&] { edit(kLine, bad_line); }, [] {}, [] {}, [&] { edit(kLine, good_line); }};
  const fs::path page = folder.path() / "page.html";
  const int status = watch({"--watch", "--html", page.string()});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(waits, script.size() + 1);
  EXPECT_EQ(output.str(), "");

  // Three runs: the first, one after the bad edit, one after the mend;
  // the waits without a change compile nothing.
  std::vector<std::string> lines;
  std::istringstream text(messages.str());
  for (std::string line; std::getline(text, line);)
    if (line.starts_with("[T")) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "[T1] compiling Colle_Ferrato_2291",
                       "[T2] exit status 0, waiting for a change (Ctrl-C ends)",
                       "[T3] compiling Colle_Ferrato_2291",
                       "[T4] exit status 1, waiting for a change (Ctrl-C ends)",
                       "[T5] compiling Colle_Ferrato_2291",
                       "[T6] exit status 0, waiting for a change (Ctrl-C ends)",
                       "[T7] watch ended",
                   }))
      << messages.str();
  // The second run's messages stand between its two stamped lines.
  const std::string all = messages.str();
  const size_t second = all.find("[T3]"), second_end = all.find("[T4]");
  EXPECT_NE(all.substr(second, second_end - second).find(": error"), std::string::npos) << all;

  // The page of the last run, which reloads itself.
  const std::string html = read_bytes(page);
  EXPECT_NE(html.find("<meta http-equiv=\"refresh\" content=\"2\">\n"), std::string::npos);
  EXPECT_NE(html.find("Colle_Ferrato"), std::string::npos);
}

TEST_F(WatchTest, APageOfTheMessagesWhenTheRunWroteNoCompiledFile) {
  const fs::path page = folder.path() / "page.html";
  script = {[&] { edit(kLine, "[generale]\r\nlunghezza percorso, many\r\n[fine]\r\n"); }};
  EXPECT_EQ(watch({"-w", "--html", page.string()}), 1);
  const std::string html = read_bytes(page);
  // The compiled files of the first run are still there, but no longer what
  // the description says: the page shows the messages instead.
  EXPECT_TRUE(fs::exists(folder.path() / "Colle_Ferrato_2291.sim"));
  EXPECT_NE(html.find("<title>Colle_Ferrato_2291: no compiled scenario to show</title>"), std::string::npos);
  EXPECT_NE(html.find("no compiled file was written by this run"), std::string::npos);
  EXPECT_NE(html.find("<meta http-equiv=\"refresh\""), std::string::npos);
}

TEST_F(WatchTest, WithoutTheWatchThePageDoesNotReload) {
  script = {};
  std::vector<std::string> arguments = {"scenario-compile", "--html", (folder.path() / "p.html").string(),
                                        folder.path().string()};
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  EXPECT_EQ(run_compile(static_cast<int>(argv.size()), argv.data(), output, messages), 0) << messages.str();
  const std::string html = read_bytes(folder.path() / "p.html");
  EXPECT_TRUE(html.starts_with("<!DOCTYPE html>"));
  EXPECT_EQ(html.find("refresh"), std::string::npos);
  EXPECT_EQ(messages.str(), "");
}

}  // namespace
