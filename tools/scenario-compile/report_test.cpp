#include "report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ReportTest, LinesAreCountedAsTheFieldReaderCountsThem) {
  EXPECT_EQ(split_lines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(split_lines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(split_lines(""), std::vector<std::string>{});
  // A line end at the very end, an LF before a CR, a CR before CR LF.
  EXPECT_EQ(split_lines("a\r"), std::vector<std::string>{"a"});
  EXPECT_EQ(split_lines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(split_lines("\r\r\nx"), (std::vector<std::string>{"", "", "x"}));
}

Diagnostic at(Severity s, int32_t code, std::optional<DescriptionFile> file, int32_t riga,
              std::string message, int32_t column = 0, std::string marked = {}) {
  Diagnostic d;
  d.severity = s;
  d.code = code;
  d.file = file;
  d.riga = riga;
  d.message = std::move(message);
  d.column = column;
  d.marked_text = std::move(marked);
  return d;
}

// The head line in the shape editors read, then the source line in UTF-8
// and a caret with "~" under the rest of the field: a number ends at a
// blank, a quoted text at its quote, any other text at its comma. Tabs
// before the mark are kept so the caret lines up. Messages come file by
// file, line by line, those that concern no file last, and the counts close
// the run.
TEST(ReportTest, MessagesMarkTheirFieldAndComeInTheOrderOfTheFiles) {
  Report r({"src/L_linea.txt", "[generale]\r\n\tsfondo uno, 1\r\ncartello_indicatore, 40, \"(A, B)\" x"},
           {"src/L_7-.txt", "[generale]\r\nstazione, 0, 12, 400, 1,0,0, 4,1,0, 2,1,1, 1, 6,48,0, CITT\xC0 ALTA \r\n"
                            "orologio, 6   47  30"},
           "L_7");
  r.add(at(Severity::note, 0, std::nullopt, 0, "the run"));
  r.add(at(Severity::error, 16, DescriptionFile::train, 2, "a meaning", 55));
  r.add(at(Severity::warning, 0, DescriptionFile::line, 2, "about the key", 0, "sfondo"));
  r.add(at(Severity::warning, 0, DescriptionFile::line, 3, "the text", 26));
  r.add(at(Severity::warning, 0, DescriptionFile::train, 3, "the minutes", 15));
  r.add(at(Severity::error, 25, DescriptionFile::line, 2, "missing", 15));
  r.add(at(Severity::note, 0, DescriptionFile::train, 0, "the whole file"));
  r.add(at(Severity::warning, 0, DescriptionFile::line, 9, "past the end", 4));
  std::ostringstream out;
  r.write(out);
  EXPECT_EQ(out.str(),
            "src/L_linea.txt:2:2: warning: about the key\n"
            "\tsfondo uno, 1\n"
            "\t^~~~~~\n"
            "src/L_linea.txt:2:15: error: missing [code 25]\n"
            "\tsfondo uno, 1\n"
            "\t             ^\n"
            "src/L_linea.txt:3:26: warning: the text\n"
            "cartello_indicatore, 40, \"(A, B)\" x\n"
            "                         ^~~~~~~~\n"
            "src/L_linea.txt:9:4: warning: past the end\n"
            "src/L_7-.txt:1:1: note: the whole file\n"
            "src/L_7-.txt:2:55: error: a meaning [code 16]\n"
            "stazione, 0, 12, 400, 1,0,0, 4,1,0, 2,1,1, 1, 6,48,0, CITT\xC3\x80 ALTA \n"
            "                                                      ^~~~~~~~~~\n"
            "src/L_7-.txt:3:15: warning: the minutes\n"
            "orologio, 6   47  30\n"
            "              ^~\n"
            "scenario-compile: note: the run\n"
            "2 errors, 4 warnings\n");
  EXPECT_TRUE(r.has_errors());
  EXPECT_EQ(r.count(Severity::note), 2u);
}

TEST(ReportTest, TheSummaryCountsInEnglish) {
  const struct {
    size_t errors, warnings;
    const char* text;
  } cases[] = {
      {0, 0, "0 errors, 0 warnings"},
      {1, 0, "1 error, 0 warnings"},
      {0, 1, "0 errors, 1 warning"},
      {2, 11, "2 errors, 11 warnings"},
  };
  for (const auto& c : cases) EXPECT_EQ(summary_line(c.errors, c.warnings), c.text);
}

TEST(ReportTest, ARunWithoutMessagesPrintsNothing) {
  Report r({"L_linea.txt", ""}, {"L_7-.txt", ""}, "L_7");
  std::ostringstream out;
  r.write(out);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
