// Every code a build records reaches the listener at the moment it is
// recorded, with the field concerned: the compilers, the placement
// procedures, the grid scan and the failure trap alike.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace {

struct Heard {
  int32_t code, position;
  DescriptionFile file;
  int32_t line, column;
  bool after_reading;

  bool operator==(const Heard&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Heard& h) {
  return out << "code " << h.code << " at " << h.position << " m, "
             << (h.file == DescriptionFile::line ? "line file" : "train file") << " " << h.line
             << ":" << h.column << (h.after_reading ? " after reading" : "");
}

struct CodeListener : CompileListener {
  std::vector<Heard> heard;
  void code_recorded(int32_t code, int32_t position, const SourceLocation& entry,
                     std::optional<int64_t>) override {
    heard.push_back({code, position, entry.file, entry.riga, entry.column, entry.end_of_file});
  }
};

constexpr DescriptionFile L = DescriptionFile::line;
constexpr DescriptionFile T = DescriptionFile::train;

const char kLine[] = "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n[fine]\r\n";

struct Case {
  const char* name;
  const char* line;   ///< nullptr: no line description file
  std::string train;  ///< entries between "[generale]" (line 1) and "[fine]"
  std::vector<Heard> heard;
};

TEST(RecordCodeTest, EveryCodeIsToldWithTheFieldConcernedWhenItIsRecorded) {
  const Case cases[] = {
      {"signal on an occupied cell: its position field",
       kLine,
       "segnale, 1000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\r\nsegnale,  1000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\r\n",
       {{16, 1000, T, 3, 11, false}}},
      {"platform length: its own field",
       kLine,
       "stazione, 400, 12, 250, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n",
       {{9, 400, T, 2, 20, false}}},
      {"a field that is not a number",
       kLine,
       "sabbia\r\n  300m\r\n",
       {{25, 0, T, 3, 3, false}}},
      {"chainage: the line file as a whole",
       "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva chilometrica uno, 0, 12525, 0\r\n"
       "[curve]\r\n[fine]\r\n",
       "",
       {{2, 0, L, 0, 0, false}}},
      {"a line code 15 recorded again at the first signal",
       "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\npendenza,20000, 12\r\n[fine]\r\n",
       "segnale, 1000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\r\n",
       {{15, 20000, L, 4, 10, false}, {15, 1000, T, 2, 10, false}}},
      {"the grid scan names the slowdown, each time",
       kLine,
       "abbattimento, 2400, 0\r\nabbattimento, 2450, 0\r\nabbattimento, 2500, 0\r\n"
       "abbattimento, 2700, 0\r\nabbattimento, 2750, 0\r\nabbattimento, 2800, 0\r\n"
       "rallentamento, 3000, 60, 500, 0, 0, 0\r\n",
       {{12, 3050, T, 8, 16, false}, {12, 3050, T, 8, 16, false}}},
      {"no line description file", nullptr, "", {{101, 0, L, 0, 0, false}}},
      {"no start heading: the file after its reading",
       "lunghezza percorso, 0\r\n[fine]\r\n",
       "",
       {{102, 0, L, 2, 0, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    TestPlatform platform(folder.path());
    Form1 form(platform);
    CodeListener listener;
    form.listener = &listener;
    form.nome_linea = "Prova";
    form.numero_treno = "1";
    if (c.line != nullptr) write_bytes(folder.path() / "Prova_linea.txt", c.line);
    write_bytes(folder.path() / "Prova_1-.txt", "[generale]\r\n" + c.train + "[fine]\r\n");
    form.memorizza_percorso(1);
    EXPECT_EQ(listener.heard, c.heard);
    // The build's state holds the last code recorded, as it always did.
    ASSERT_FALSE(listener.heard.empty());
    EXPECT_EQ(form.codice_errore, listener.heard.back().code);
    EXPECT_EQ(form.posizione_errore, listener.heard.back().position);
  }
}

}  // namespace
