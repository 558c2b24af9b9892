// The author's guide lists every code of the build in one table. These tests
// keep that table true: one row per code of the program's own table and no
// other, each with the meaning the program prints, and a "Files written?"
// claim that a real build provoking the code confirms.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/error_codes.h"
#include "app/form1.h"
#include "testing/test_platform.h"

#ifndef SCENARIO_SOURCE_DIR
#error "core_tests needs SCENARIO_SOURCE_DIR, the top of the source tree"
#endif

namespace fs = std::filesystem;

namespace {

const std::string kGuide = (fs::path(SCENARIO_SOURCE_DIR) / "docs" / "authoring-guide.md").string();

/// One row of the guide's table of codes, cells trimmed.
struct GuideRow {
  int riga;  ///< line of the guide, for the failure messages
  std::string code, meaning, cause, remedy, written_files;
};

std::string borderless(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::vector<std::string> cells(const std::string& riga) {
  std::vector<std::string> parts;
  std::stringstream s(riga);
  std::string part;
  while (std::getline(s, part, '|')) parts.push_back(borderless(part));
  // "| a | b |" splits into "", "a", "b": drop the empty piece before the first bar.
  if (!parts.empty() && parts.front().empty()) parts.erase(parts.begin());
  return parts;
}

/// The rows between the markers, header and separator left out. A problem
/// with the table's shape is a test failure of its own.
std::vector<GuideRow> table_lines() {
  std::ifstream in(kGuide);
  EXPECT_TRUE(in) << "cannot open " << kGuide;
  std::vector<GuideRow> lines;
  std::string riga;
  int number = 0;
  bool inside = false, inizio = false, fine = false;
  while (std::getline(in, riga)) {
    ++number;
    if (!riga.empty() && riga.back() == '\r') riga.pop_back();
    if (riga == "<!-- codes:begin -->") {
      inizio = inside = true;
      continue;
    }
    if (riga == "<!-- codes:end -->") {
      fine = true;
      break;
    }
    if (!inside || riga.rfind('|', 0) != 0) continue;
    const std::vector<std::string> c = cells(riga);
    if (c.size() != 5) {
      ADD_FAILURE() << kGuide << ":" << number << ": a row of the codes table needs 5 cells, has "
                    << c.size() << ": " << riga;
      continue;
    }
    if (c[0] == "Code" || c[0].rfind("---", 0) == 0) continue;
    lines.push_back({number, c[0], c[1], c[2], c[3], c[4]});
  }
  EXPECT_TRUE(inizio && fine) << kGuide << ": the markers <!-- codes:begin --> and "
                                            "<!-- codes:end --> must both stand on lines of their own";
  return lines;
}

TEST(ErrorCodesGuideTest, EveryCodeOfTheProgramHasARowWithItsOwnMeaning) {
  const std::vector<GuideRow> lines = table_lines();
  for (const ErrorCode& c : code_table()) {
    const std::string code = std::to_string(c.code);
    const auto n = std::count_if(lines.begin(), lines.end(),
                                 [&](const GuideRow& r) { return r.code == code; });
    EXPECT_EQ(n, 1) << "code " << code << " must have exactly one row in the table of "
                    << kGuide;
    if (n != 1) continue;
    const auto r = std::find_if(lines.begin(), lines.end(),
                                [&](const GuideRow& x) { return x.code == code; });
    EXPECT_EQ(r->meaning, c.meaning)
        << kGuide << ":" << r->riga << ": the Meaning of code " << code
        << " must be the text the program prints";
    EXPECT_FALSE(r->cause.empty() || r->remedy.empty() || r->written_files.empty())
        << kGuide << ":" << r->riga << ": code " << code << " needs a cause, a fix and a claim";
  }
}

TEST(ErrorCodesGuideTest, TheTableHoldsNoCodeTheProgramDoesNotHave) {
  for (const GuideRow& r : table_lines()) {
    int32_t code = 0;
    const bool number = !r.code.empty() &&
                        std::all_of(r.code.begin(), r.code.end(),
                                    [](char ch) { return ch >= '0' && ch <= '9'; });
    if (number) code = std::stoi(r.code);
    EXPECT_TRUE(number && find_code(code) != nullptr)
        << kGuide << ":" << r.riga << ": \"" << r.code << "\" is no code of the program";
  }
}

// ----- "Files written?" against real builds -----

/// A small scenario that makes the build record one code. The line is 0 m
/// long unless it says otherwise, so the grid has cells 0 to 140.
struct Trigger {
  const char* nome;
  int32_t code;
  const char* line;   ///< the whole line description; nullptr: no file at all
  const char* train;  ///< entries of the train description, after "[generale]"
  /// The build stops before the line length entry: the claim must name that
  /// exception ("... no ... length entry ...") unless it is a plain "No".
  bool before_length;
};

constexpr const char* kLine0 = "[generale]\r\nlunghezza percorso, 0\r\n[curve]\r\n[fine]\r\n";

std::string board_names(int first) {
  std::string lines;
  for (int i = 0; i < 80; ++i)
    lines += "cartello_indicatore, " + std::to_string(first + 50 * i) + ", X\r\n";
  return lines;
}

const std::string kLine80Boards =
    "[generale]\r\nlunghezza percorso, 0\r\n[indicazioni]\r\n" + board_names(100) + "[fine]\r\n";

// One row per way of provoking a code. Signals below are at "p, 1, 5, 1, 0,
// 0, 0, 0, 0, 0, 0"; a point with value 0 occupies a cell without being one
// the grid scan may lower.
const Trigger kTriggers[] = {
    {"length above the limit", 1, "[generale]\r\nlunghezza percorso, 2000000\r\n[curve]\r\n[fine]\r\n", "", true},
    {"chainage not a multiple of 50", 2, "[generale]\r\nlunghezza percorso, 0\r\nprogressiva chilometrica uno, 0, 12525, 0\r\n[curve]\r\n[fine]\r\n", "", false},
    {"first repetition distance", 3, "[generale]\r\nlunghezza percorso, 0\r\nripetizione segnali 4 codici, 25, 0\r\n[curve]\r\n[fine]\r\n", "", false},
    {"repetition before the length", 3, "[generale]\r\nripetizione segnali 4 codici, 25, 0\r\nlunghezza percorso, 0\r\n[curve]\r\n[fine]\r\n", "", true},
    {"second repetition distance", 4, "[generale]\r\nlunghezza percorso, 0\r\nripetizione segnali 4 codici, 0, 25\r\n[curve]\r\n[fine]\r\n", "", false},
    {"repetition without 4 or 9", 5, "[generale]\r\nlunghezza percorso, 0\r\nripetizione segnali, 0, 0\r\n[curve]\r\n[fine]\r\n", "", false},
    {"two name boards in one cell", 6, "[generale]\r\nlunghezza percorso, 0\r\n[indicazioni]\r\ncartello_indicatore, 500, A\r\ncartello_indicatore, 500, B\r\n[fine]\r\n", "", false},
    {"point on a signal", 7, kLine0, "segnale, 1000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nabbattimento, 1050, 150\r\n", false},
    {"station position", 8, kLine0, "stazione, 425, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"platform length", 9, kLine0, "stazione, 400, 12, 250, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"no record left for a station", 10, kLine80Boards.c_str(), "stazione, 500, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"no cell in front of a signal", 11, kLine0, "abbattimento, 1400, 0\r\nabbattimento, 1450, 0\r\nsegnale, 1450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"full window before a start", 12, kLine0, "abbattimento, 2700, 0\r\nabbattimento, 2750, 0\r\nabbattimento, 2800, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"slow slowdown without an end", 13, kLine0, "rallentamento, 3000, 60, 0, 0, 0, 0\r\n", false},
    {"signal beyond the grid", 15, kLine0, "segnale, 6950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n", false},
    {"two signals in one cell", 16, kLine0, "segnale, 1000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nsegnale, 1000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n", false},
    {"warning board cell", 17, kLine0, "segnale, 1800, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"start cell", 18, kLine0, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"end cell", 19, kLine0, "segnale, 3500, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"pre-warning cells", 20, kLine0, "segnale, 1750, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 1, 0\r\n", false},
    {"two speed-limit groups in one cell", 21, "[generale]\r\nlunghezza percorso, 0\r\n[cartelli]\r\nindicatori_vmax, 500, 90, 95, 100, 0, , , , 0\r\nindicatori_vmax, 500, 90, 95, 100, 0, , , , 0\r\n[fine]\r\n", "", false},
    {"platforms too close", 22, kLine0, "stazione, 400, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\nstazione, 800, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, B\r\n", false},
    {"platform ending at the origin", 24, kLine0, "stazione, 0, 12, 100, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"text where a number belongs", 25, kLine0, "sabbia, 300m\r\n", false},
    {"no length entry", 25, "[generale]\r\nsfondo uno, 1\r\n[curve]\r\n[fine]\r\n", "", true},
    {"length that is not a number", 25, "[generale]\r\nlunghezza percorso, abc\r\n[curve]\r\n[fine]\r\n", "", true},
    {"no line description", 101, nullptr, "", true},
    {"no start heading", 102, "lunghezza percorso, 0\r\n[fine]\r\n", "", true},
    {"curve without a class", 103, "[generale]\r\nlunghezza percorso, 0\r\n[curve]\r\ncurva, 100, 100\r\n[fine]\r\n", "", false},
    {"slowdown start in cell 1", 1250, kLine0, "rallentamento, 0, 60, 100, 0, 0, 0\r\n", false},
    {"signal in cell 1", 1251, kLine0, "segnale, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0\r\n", false},
};

struct Outcome {
  int32_t code;
  bool written_files;
};

/// Runs the build on the scenario and tells what it recorded and whether it
/// wrote the three compiled files.
Outcome build(const Trigger& p) {
  TempFolder folder;
  TestPlatform platform(folder.path());
  Form1 form(platform);
  form.nome_linea = "Prova";
  form.numero_treno = std::string("1");
  if (p.line != nullptr) write_bytes(folder.path() / "Prova_linea.txt", p.line);
  write_bytes(folder.path() / "Prova_1-.txt", std::string("[generale]\r\n") + p.train + "[fine]\r\n");
  int32_t code = 0;
  try {
    form.memorizza_percorso(1);
    code = form.codice_errore;
  } catch (const ProgramEnded&) {
    // A guard ended the build: its code is in the numbered message.
    const std::string prefix = " Errore n. ";
    if (platform.messages.size() == 1 && platform.messages[0].rfind(prefix, 0) == 0)
      code = std::stoi(platform.messages[0].substr(prefix.size()));
  }
  const bool written = fs::exists(folder.path() / "Prova_linea.dat") &&
                       fs::exists(folder.path() / "Prova_1.sim") &&
                       fs::exists(folder.path() / "Prova_1.dat");
  return {code, written};
}

std::string ascii_lowercase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

TEST(ErrorCodesGuideTest, FilesWrittenClaimsHoldForARealBuild) {
  const std::vector<GuideRow> lines = table_lines();
  std::map<int32_t, int> triggered;
  for (const Trigger& p : kTriggers) {
    SCOPED_TRACE(std::string(p.nome) + ", code " + std::to_string(p.code));
    const Outcome outcome = build(p);
    EXPECT_EQ(outcome.code, p.code) << "the scenario does not provoke its code";
    if (outcome.code != p.code) continue;
    ++triggered[p.code];
    const auto r = std::find_if(lines.begin(), lines.end(), [&](const GuideRow& x) {
      return x.code == std::to_string(p.code);
    });
    if (r == lines.end()) {
      ADD_FAILURE() << "no row for the code in " << kGuide;
      continue;
    }
    const std::string claim = ascii_lowercase(r->written_files);
    const bool says_yes = claim.rfind("yes", 0) == 0;
    const bool says_no = claim.rfind("no", 0) == 0;
    if (!says_yes && !says_no) {
      ADD_FAILURE() << kGuide << ":" << r->riga << ": \"Files written?\" must begin with Yes or No";
      continue;
    }
    if (outcome.written_files) {
      EXPECT_TRUE(says_yes) << kGuide << ":" << r->riga << ": the build writes the files, the guide says \""
                           << r->written_files << "\"";
    } else if (!says_no) {
      // "Yes, ...; no when ... before the line length entry": the exception
      // must be stated, and only a build stopped before the length may use it.
      EXPECT_TRUE(p.before_length && claim.find("; no ") != std::string::npos &&
                  claim.find("length entry") != std::string::npos)
          << kGuide << ":" << r->riga << ": the build writes no file, the guide says \""
          << r->written_files << "\"";
    }
  }
  // Every code of the program is provoked at least once.
  for (const ErrorCode& c : code_table())
    EXPECT_GT(triggered[c.code], 0) << "code " << c.code << " has no scenario here";
}

}  // namespace
