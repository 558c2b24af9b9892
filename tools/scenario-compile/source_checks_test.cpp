#include "source_checks.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const char* const kLine =
    "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\npendenza, 0, 0\r\n[fine]\r\n";

// A file the build never read is checked whole; the reading goes on after
// every field that cannot be read, up to a limit past which the file is
// hardly a description file, and each message says it was found after the
// build stopped.
TEST(SourceChecksTest, AFileTheBuildNeverReadIsCheckedUpToALimit) {
  std::string train = "[generale]\r\n";
  for (int i = 0; i < 70; ++i) train += "segnale, " + std::to_string(1000 + 50 * i) + ", x\r\n";
  train += "[fine]\r\n";
  Report report({"L_linea.txt", kLine}, {"L_7-.txt", train}, "L_7");
  ReadingStops stops;
  stops.train.read = false;
  check_sources(report, stops);
  EXPECT_EQ(report.count(Severity::error), 50u);
  EXPECT_EQ(report.count(Severity::warning), 0u);
  std::ostringstream out;
  report.write(out);
  EXPECT_EQ(out.str().substr(0, out.str().find('\n', out.str().find('\n') + 1) + 1),
            "L_7-.txt:1:1: note: not compiled: the build stopped in the line description; this "
            "file was only checked\n"
            "L_7-.txt:2:16: error: segnale: the sx field: expected a number, found \"x\" (found "
            "after the build stopped) [code 25]\n");
}

// Where the build read a file to its end, only warnings are added: its
// errors are the build's own.
TEST(SourceChecksTest, AFileTheBuildReadWholeGetsWarningsOnly) {
  const std::string train =
      "[generale]\r\nsegnale, 3000, x\r\nstazione, 525, 4, 650, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,38, 0, A\r\n"
      "velocita, 20, 80\r\nvelocita, 10, 80\r\n[fine]\r\n";
  Report report({"L_linea.txt", kLine}, {"L_7-.txt", train}, "L_7");
  check_sources(report, ReadingStops{});
  std::ostringstream out;
  report.write(out);
  EXPECT_EQ(out.str(),
            "L_7-.txt:5:11: warning: velocita at 10 m is not after the previous one at 20 m "
            "(line 4): entries of this kind must be in ascending order of position\n"
            "velocita, 10, 80\n"
            "          ^~\n"
            "0 errors, 1 warning\n");
}

}  // namespace
