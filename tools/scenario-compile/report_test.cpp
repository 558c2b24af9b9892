#include "report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ReportTest, LinesAreCountedAsTheFieldReaderCountsThem) {
  EXPECT_EQ(split_lines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(split_lines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(split_lines(""), std::vector<std::string>{});
}

// The head line in the shape editors jump to, then the source line in UTF-8
// and the caret under the key; tabs before the key are kept so the caret
// lines up.
TEST(ReportTest, MessagesShowTheSourceLineAndACaretUnderTheKey) {
  Report r({"src/L_linea.txt", {"[generale]", "\tsfondo uno, 1"}},
           {"src/L_7-.txt", {"[generale]", "stazione, 0, 12, 400, 1,0,0, 4,1,0, 2,1,1, 1, 6,48,0, CITT\xC0"}},
           "L_7");
  r.add({Severity::warning, 0, DescriptionFile::line, 2, true, "about the key", "sfondo"});
  r.add({Severity::error, 16, DescriptionFile::train, 2, true, "a meaning", "CITT"});
  r.add({Severity::error, 2, DescriptionFile::train, 2, false, "at the end", {}});
  r.add({Severity::note, 0, DescriptionFile::train, 0, true, "the whole file", {}});
  r.add({Severity::note, 0, std::nullopt, 0, true, "the scenario", {}});
  r.add({Severity::warning, 0, DescriptionFile::line, 9, true, "past the end", {}});
  std::ostringstream out;
  r.write(out);
  EXPECT_EQ(out.str(),
            "src/L_linea.txt:2: warning: about the key\n"
            "\tsfondo uno, 1\n"
            "\t^\n"
            "src/L_7-.txt:2: error 16: a meaning\n"
            "stazione, 0, 12, 400, 1,0,0, 4,1,0, 2,1,1, 1, 6,48,0, CITT\xC3\x80\n"
            "                                                      ^\n"
            "src/L_7-.txt:2: error 2: at the end\n"
            "src/L_7-.txt: note: the whole file\n"
            "L_7: note: the scenario\n"
            "src/L_linea.txt:9: warning: past the end\n");
  EXPECT_TRUE(r.has_errors());
}

}  // namespace
