#include "session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/error_codes.h"
#include "app/form1.h"
#include "platform/text_encoding.h"
#include "report.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

/// Every file of a folder with its bytes.
std::map<std::string, std::string> content(const fs::path& folder) {
  std::map<std::string, std::string> file;
  for (const auto& f : fs::directory_iterator(folder))
    file[f.path().filename().string()] = f.is_regular_file() ? read_bytes(f.path()) : "<folder>";
  return file;
}

std::string lines(const std::vector<std::string>& r) {
  std::string text;
  for (const std::string& riga : r) text += riga + "\r\n";
  return text;
}

// A small clean scenario: a 10 km line with a reference at km 73+450, two
// stations and one signal. Line numbers matter to the tests below.
const std::vector<std::string> kLine = {
    "[generale]",                                 // 1
    "lunghezza percorso, 10000",                  // 2
    "progressiva chilometrica uno, 0, 73350, 1",  // 3
    "progressiva chilometrica due, 0, 0, 0",      // 4
    "progressiva chilometrica tre, 0, 0, 0",      // 5
    "sfondo uno, 33600",                          // 6
    "sfondo due, 27600",                          // 7
    "sfondo tre, 1",                              // 8
    "ripetizione segnali 4 codici, 0, 0",         // 9
    "[curve]",                                    // 10
    "curvas5, 700, 250",                          // 11
    "[pendenze]",                                 // 12
    "- altitudine iniziale 352 m. slm",           // 13
    "pendenza, 0, 0",                             // 14
    "pendenza, 2000, 12",                         // 15
    "[montagne]",                                 // 16
    "montagna, 4000, 4500, 11",                   // 17
    "[cartelli]",                                 // 18
    "indicatori_vmax, 300, 75, 80, 80, 0, , , , 0",  // 19
    "[indicazioni]",                              // 20
    "cartello_indicatore, 6000, (CULMINE)",       // 21
    "[fine]",                                     // 22
};

const std::vector<std::string> kTrain = {
    "[generale]",                                                               // 1
    "numero vetture,    3",                                                     // 2
    "percentuale massa frenata,    120",                                        // 3
    "sabbia,    300",                                                           // 4
    "orologio,    6               47            30 ",                           // 5
    "[aderenze]",                                                               // 6
    "aderenza, 0, 100",                                                         // 7
    "[vel_limite]",                                                             // 8
    "velocita, 0, 80",                                                          // 9
    "velocita, 5000, 60",                                                       // 10
    "[stazioni]",                                                               // 11
    "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, ALFA",          // 12
    "stazione, 5000, 4, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,38, 0, BETA",          // 13
    "[rallentamenti]",                                                          // 14
    "[segnali]",                                                                // 15
    "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0",                               // 16
    "[codici]",                                                                 // 17
    "[fine]",                                                                   // 18
};

/// The variables the system reads for the temporary folder of a process.
#ifdef _WIN32
constexpr const char* kTemporaryFolderVariables[] = {"TMP", "TEMP"};
void set_variable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
void unset_variable(const char* name) { _putenv_s(name, ""); }
#else
constexpr const char* kTemporaryFolderVariables[] = {"TMPDIR"};
void set_variable(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
void unset_variable(const char* name) { unsetenv(name); }
#endif

/// The author's two files in a source folder, compiled into an output
/// folder of their own, with the temporary folder of the process pointed at
/// a folder the test watches, so that anything the compiler would put there
/// shows.
struct SessionTest : testing::Test {
  TempFolder source, output, temporary;
  std::vector<std::string> line = kLine, train = kTrain;
  std::string messages;
  std::vector<std::optional<std::string>> old_values;
  Request options;  ///< every field but the folders and the names

  void SetUp() override {
    for (const char* name : kTemporaryFolderVariables) {
      const char* value = std::getenv(name);
      old_values.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      set_variable(name, temporary.path().string());
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < std::size(kTemporaryFolderVariables); ++i) {
      if (old_values[i])
        set_variable(kTemporaryFolderVariables[i], *old_values[i]);
      else
        unset_variable(kTemporaryFolderVariables[i]);
    }
    EXPECT_TRUE(fs::is_empty(temporary.path())) << "something was left in the temporary folder";
  }

  fs::path line_file() const { return source.path() / "Prova_linea.txt"; }
  fs::path train_file() const { return source.path() / "Prova_7-.txt"; }
  std::string nome_linea() const { return line_file().string(); }
  std::string train_name() const { return train_file().string(); }

  void write_descriptions() {
    write_bytes(line_file(), lines(line));
    write_bytes(train_file(), lines(train));
  }

  int compile(bool check_only = false) {
    write_descriptions();
    Request r = options;
    r.source = source.path();
    r.output = output.path();
    r.line = "Prova";
    r.train = "7";
    r.check_only = check_only || options.check_only;
    std::ostringstream out;
    const int status = compile_scenario(r, out);
    messages = out.str();
    return status;
  }

  /// Compiles and checks that the author's files are exactly as written.
  int compile_untouched(bool check_only = false) {
    const int status = compile(check_only);
    EXPECT_EQ(content(source.path()),
              (std::map<std::string, std::string>{{"Prova_linea.txt", lines(line)},
                                                  {"Prova_7-.txt", lines(train)}}));
    return status;
  }
};

TEST_F(SessionTest, CleanScenarioWritesTheThreeFilesAndSaysNothing) {
  EXPECT_EQ(compile_untouched(), 0);
  EXPECT_EQ(messages, "");
  std::map<std::string, std::string> written = content(output.path());
  EXPECT_EQ(written.size(), 3u);
  EXPECT_EQ(written.count("Prova_linea.dat"), 1u);
  EXPECT_EQ(written.count("Prova_7.sim"), 1u);
  EXPECT_EQ(written.count("Prova_7.dat"), 1u);
}

/// One change to the clean scenario: line `riga` (from 1) of one file
/// replaced by `text`, which may hold several lines.
struct Edit {
  bool train;
  size_t riga;
  std::string text;
};

struct MessageCase {
  const char* nome;
  std::vector<Edit> edits;
  int status;
  bool written;          ///< the three compiled files are written
  std::string messages;  ///< "L:" and "T:" stand for the two file names
};

std::string with_names(std::string text, const std::string& line, const std::string& train) {
  for (size_t i = text.find("L:"); i != std::string::npos; i = text.find("L:", i + line.size()))
    text.replace(i, 1, line);
  for (size_t i = text.find("T:"); i != std::string::npos; i = text.find("T:", i + train.size()))
    text.replace(i, 1, train);
  return text;
}

void handler(const std::vector<Edit>& edits, std::vector<std::string>& line,
             std::vector<std::string>& train) {
  // From the last line up, so that earlier line numbers stay valid.
  std::vector<Edit> sorted = edits;
  std::sort(sorted.begin(), sorted.end(),
            [](const Edit& a, const Edit& b) { return a.riga > b.riga; });
  for (const Edit& m : sorted) {
    std::vector<std::string>& file = m.train ? train : line;
    std::vector<std::string> new_lines;
    std::istringstream in(m.text);
    for (std::string r; std::getline(in, r);) new_lines.push_back(r);
    file.erase(file.begin() + static_cast<long>(m.riga) - 1);
    file.insert(file.begin() + static_cast<long>(m.riga) - 1, new_lines.begin(), new_lines.end());
  }
}

// Each case: a change to the clean scenario, the exit status, and every
// message, whole. The runs write their files as the main program writes
// them (--write-on-error), so that the messages are those of the build alone.
const std::vector<MessageCase>& message_cases() {
  static const std::vector<MessageCase> cases = {
      {"misspelt line key",
       {{false, 15, "pendenzza, 2000, 12"}},
       0,
       true,
         "L:15:1: warning: key \"pendenzza\" starts no entry and is dropped, with its values (did you mean \"pendenza\"?)\n"
         "pendenzza, 2000, 12\n"
         "^~~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"misspelt train key",
       {{true, 16, "segnalle, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       0,
       true,
         "T:16:1: warning: key \"segnalle\" starts no entry and is dropped, with its values (did you mean \"segnale\"?)\n"
         "segnalle, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "^~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"entry key as the line file's last field",
       {{false, 22, "pendenza"}},
       0,
       true,
         "L:22:1: warning: key \"pendenza\" is the file's last field and starts no entry: the build stops at the end of the file before it (end the file with \"[fine]\")\n"
         "pendenza\n"
         "^~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"entry key as the train file's last field",
       {{true, 18, "segnale"}},
       0,
       true,
         "T:18:1: warning: key \"segnale\" is the file's last field and starts no entry: the build stops at the end of the file before it (end the file with \"[fine]\")\n"
         "segnale\n"
         "^~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"station time with minutes beyond 59",
       {{true, 12, "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,75, 0, ALFA"}},
       0,
       true,
         "T:12:53: warning: stazione: the minutes value 75 is not 0 to 59: the station time is stored as 26100 s after midnight, 7:15:00\n"
         "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,75, 0, ALFA\n"
         "                                                    ^~\n"
         "0 errors, 1 warning\n"},
      {"clock with seconds beyond 59",
       {{true, 5, "orologio,    6               47            60 "}},
       0,
       true,
         "T:5:44: warning: orologio: the seconds value 60 is not 0 to 59\n"
         "orologio,    6               47            60 \n"
         "                                           ^~\n"
         "0 errors, 1 warning\n"},
      {"tunnel ending before its start, of an unknown type",
       {{false, 17, "montagna, 4500, 4000, 7"}},
       0,
       true,
         "L:17:17: warning: montagna: the end 4000 m is not past the start 4500 m: the tunnel covers no cell\n"
         "montagna, 4500, 4000, 7\n"
         "                ^~~~\n"
         "L:17:23: warning: montagna: the type 7 is not 1, 2, 11 or 12 (tunnel kind 1 or 2, with markers from 11 up)\n"
         "montagna, 4500, 4000, 7\n"
         "                      ^\n"
         "0 errors, 2 warnings\n"},
      {"curve of no length",
       {{false, 11, "curvas5, 700, 0"}},
       0,
       true,
         "L:11:15: warning: curva: the length 0 m makes no curve\n"
         "curvas5, 700, 0\n"
         "              ^\n"
         "0 errors, 1 warning\n"},
      {"slowdown without an end",
       {{true, 14, "[rallentamenti]\nrallentamento, 4000, 120, 20, 0, 1, 0"}},
       0,
       true,
         "T:15:27: warning: rallentamento: the length 20 m puts the end cell at or before the start cell: the slowdown has no end\n"
         "rallentamento, 4000, 120, 20, 0, 1, 0\n"
         "                          ^~\n"
         "0 errors, 1 warning\n"},
      {"tunnel shorter than a cell",
       {{false, 17, "montagna, 4000, 4020, 11"}},
       0,
       true,
         "L:17:17: warning: montagna: the end 4020 m is too close to the start 4000 m: the tunnel covers no cell\n"
         "montagna, 4000, 4020, 11\n"
         "                ^~~~\n"
         "0 errors, 1 warning\n"},
      {"overlapping tunnels",
       {{false, 17, "montagna, 4000, 4500, 11\nmontagna, 4400, 4800, 12"}},
       0,
       true,
         "L:18:11: warning: montagna at 4400 m (4400 m beyond the reference km 73+450) overlaps the tunnel of line 17 (4000 m to 4500 m)\n"
         "montagna, 4400, 4800, 12\n"
         "          ^~~~\n"
         "0 errors, 1 warning\n"},
      {"general entry among line entries",
       {{false, 15, "sfondo uno, 5"}},
       0,
       true,
         "L:15:1: warning: \"sfondo uno\" ignored: outside its section (general entries belong before the first heading after \"[generale]\")\n"
         "sfondo uno, 5\n"
         "^~~~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"line entry in general section",
       {{false, 8, "pendenza, 0, 0"}},
       0,
       true,
         "L:8:1: warning: \"pendenza\" ignored: outside its section (line entries belong after the heading that closes the general section)\n"
         "pendenza, 0, 0\n"
         "^~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"train entry before start",
       {{true, 1, "sabbia, 300\n[generale]"}},
       0,
       true,
         "T:1:1: warning: \"sabbia\" ignored: outside its section (entries count only after \"[generale]\")\n"
         "sabbia, 300\n"
         "^~~~~~\n"
         "0 errors, 1 warning\n"},
      {"case",
       {{false, 3, "Progressiva chilometrica uno, 0, 73350, 1"}},
       0,
       true,
         "L:3:1: warning: \"Progressiva chilometrica uno\" starts no entry: the keywords of the general entries must be written in lower case\n"
         "Progressiva chilometrica uno, 0, 73350, 1\n"
         "^~~~~~~~~~~~~~~~~~~~~~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"not ascending",
       {{true, 10, "velocita, 5000, 60\nvelocita, 4000, 70"}},
       0,
       true,
         "T:11:11: warning: velocita at 4000 m (4000 m beyond the reference km 73+450) is not after the previous one at 5000 m (line 10): entries of this kind must be in ascending order of position\n"
         "velocita, 4000, 70\n"
         "          ^~~~\n"
         "0 errors, 1 warning\n"},
      {"stray value",
       {{true, 4, "sabbia, 300, 5"}},
       0,
       true,
         "T:4:14: warning: value \"5\" stands where a key was expected and is dropped\n"
         "sabbia, 300, 5\n"
         "             ^\n"
         "0 errors, 1 warning\n"},
      {"chainage dropped",
       {{false, 3, "progressiva chilometrica uno, 100, 73350, 1"}, {false, 4, "progressiva chilometrica due, 100, 0, 0"}},
       0,
       true,
         "L:1:1: warning: the chainage references are dropped: the largest position is shared by two of them, or none has a chainage above 0; the compiled line carries no chainage\n"
         "0 errors, 1 warning\n"},
      {"code 16",
       {{true, 16, "segnale, 600, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       1,
       true,
         "T:16:10: error: a signal stands on an occupied cell (at 600 m, 600 m beyond the reference km 73+450): cell 13 already holds the stop cell of station \"ALFA\" of line 12 [code 16]\n"
         "segnale, 600, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "         ^~~\n"
         "1 error, 0 warnings\n"},
      {"code 16 names the signal that holds the cell",
       {{true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 3010, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       1,
       true,
         "T:17:10: error: a signal stands on an occupied cell (at 3010 m, 3010 m beyond the reference km 73+450): cell 61 already holds a signal of line 16 [code 16]\n"
         "segnale, 3010, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "         ^~~~\n"
         "1 error, 0 warnings\n"},
      {"code 19 names what holds the slowdown's end cell",
       {{true, 14, "[rallentamenti]\nrallentamento, 100, 30, 500, 0, 0, 0"}},
       1,
       true,
         "T:15:16: error: the slowdown's end cell is occupied (at 100 m, 100 m beyond the reference km 73+450): cell 13 already holds the stop cell of station \"ALFA\" of line 12 [code 19]\n"
         "rallentamento, 100, 30, 500, 0, 0, 0\n"
         "               ^~~\n"
         "1 error, 0 warnings\n"},
      {"code 20 names what holds a pre-warning cell",
       {{true, 14, "[rallentamenti]\nrallentamento, 1900, 30, 100, 0, 1, 0"}},
       1,
       true,
         "T:15:16: error: the slowdown's pre-warning cells are occupied (at 1900 m, 1900 m beyond the reference km 73+450): cell 13 already holds the stop cell of station \"ALFA\" of line 12 [code 20]\n"
         "rallentamento, 1900, 30, 100, 0, 1, 0\n"
         "               ^~~~\n"
         "1 error, 0 warnings\n"},
      {"code 6 names the boards that hold the cell",
       {{false, 21, "cartello_indicatore, 300, (CULMINE)"}},
       1,
       true,
         "L:21:22: error: a name board stands on an occupied cell (at 300 m, 300 m beyond the reference km 73+450): cell 7 already holds speed-limit boards of line 19 [code 6]\n"
         "cartello_indicatore, 300, (CULMINE)\n"
         "                     ^~~\n"
         "T:1:1: note: not compiled: the build stopped in the line description; this file was only checked\n"
         "1 error, 0 warnings\n"},
      {"code 6 names the board of the same kind that holds the cell",
       {{false, 21, "cartello_indicatore, 6000, (CULMINE)\ncartello_indicatore, 6010, (ALTRO)"}},
       1,
       true,
         "L:22:22: error: a name board stands on an occupied cell (at 6010 m, 6010 m beyond the reference km 73+450): cell 121 already holds the name board \"(CULMINE)\" of line 21 [code 6]\n"
         "cartello_indicatore, 6010, (ALTRO)\n"
         "                     ^~~~\n"
         "T:1:1: note: not compiled: the build stopped in the line description; this file was only checked\n"
         "1 error, 0 warnings\n"},
      {"code 7 names the point of the same kind that holds the cell",
       {{true, 17, "[codici]\nabbattimento, 4500, 5\nabbattimento, 4510, 5"}},
       1,
       true,
         "T:19:15: error: an abbattimento point stands on an occupied cell (at 4510 m, 4510 m beyond the reference km 73+450): cell 90 already holds an abbattimento point of line 18 [code 7]\n"
         "abbattimento, 4510, 5\n"
         "              ^~~~\n"
         "1 error, 0 warnings\n"},
      {"code 7 names the slowdown whose pre-warning cell holds the cell",
       {{true, 14, "[rallentamenti]\nrallentamento, 4000, 30, 100, 0, 1, 0"},
        {true, 17, "[codici]\nabbattimento, 2700, 5"}},
       1,
       true,
         "T:19:15: error: an abbattimento point stands on an occupied cell (at 2700 m, 2700 m beyond the reference km 73+450): cell 54 already holds a slowdown's cell of line 15 [code 7]\n"
         "abbattimento, 2700, 5\n"
         "              ^~~~\n"
         "1 error, 0 warnings\n"},
      {"code 25 deep",
       {{true, 13, "stazione, 5000, 4\n 600, 1, 0, 0\n 1,1,x\n 2,1,1, 0, 7,38, 0, BETA"}},
       1,
       true,
         "T:15:6: error: stazione: the F9 field: expected a number, found \"x\" [code 25]\n"
         " 1,1,x\n"
         "     ^\n"
         "1 error, 0 warnings\n"},
      {"code 22 multi",
       {{true, 13, "stazione\n 1000, 4\n 600, 1, 0, 0, 1,1,0\n 2,1,1, 0, 7,38, 0, BETA"}},
       1,
       true,
         "T:14:2: error: the platform starts less than 350 m after the previous station's platform end (at 1000 m, 1000 m beyond the reference km 73+450) [code 22]\n"
         " 1000, 4\n"
         " ^~~~\n"
         "1 error, 0 warnings\n"},
      {"code 15 line then train",
       {{false, 15, "pendenza, 20000, 12"}},
       1,
       true,
         "L:15:11: error: the item with its margin (100 m for most items) runs past the last cell of the grid (at 20000 m, 20000 m beyond the reference km 73+450) [code 15]\n"
         "pendenza, 20000, 12\n"
         "          ^~~~~\n"
         "T:16:10: note: code 15 recorded again (at 3000 m, 3000 m beyond the reference km 73+450); the reading of this file stops here\n"
         "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "         ^~~~\n"
         "1 error, 0 warnings\n"},
      {"code 2",
       {{false, 3, "progressiva chilometrica uno, 0, 73375, 1"}},
       1,
       true,
         "L:1:1: error: a chainage reference's position or value is not a multiple of 50 m [code 2]\n"
         "1 error, 0 warnings\n"},
      {"code 102",
       {{false, 1, "[generalle]"}},
       1,
       false,
         "L:22:1: error: the line description file has no \"[generale]\" heading [code 102]\n"
         "T:1:1: note: not compiled: the build stopped in the line description; this file was only checked\n"
         "scenario-compile: note: no compiled file was written: the build stopped before the cell grid existed\n"
         "1 error, 0 warnings\n"},
      {"guard",
       {{false, 21, "cartello_indicatore, 0, (ZERO)"}},
       3,
       false,
         "scenario-compile: error: an item was placed in cell 1 (dato1) or record 85 (campo7), which are reserved for the scenario's marker [code 1250]\n"
         "scenario-compile: note: no compiled file was written\n"
         "1 error, 0 warnings\n"},
      {"code 12",
       {{true, 14, "[rallentamenti]\nrallentamento, 4000, 120, 200, 0, 0, 0"}, {true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 3650, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 3700, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 3750, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       1,
       true,
         "T:15:16: error: no free cell in a window before a slowdown start (at 4050 m, 4050 m beyond the reference km 73+450) [code 12]\n"
         "rallentamento, 4000, 120, 200, 0, 0, 0\n"
         "               ^~~~\n"
         "1 error, 0 warnings\n"},
      {"train without start",
       {{true, 1, "[generalle]"}},
       0,
       true,
         "T:1:1: warning: no field holds \"[generale]\": every entry of this file is ignored\n"
         "0 errors, 1 warning\n"},
      {"train start cut short",
       {{true, 1, "[Generale"}},
       0,
       true,
         "T:1:1: warning: no field holds \"[generale]\": every entry of this file is ignored\n"
         "0 errors, 1 warning\n"},
      {"train start in capitals", {{true, 1, "[GeNeRaLe]"}}, 0, true, ""},
      {"scan 11",
       {{true, 14, "[rallentamenti]\nrallentamento, 4000, 120, 200, 0, 0, 0"}, {true, 16, "segnale, 2350, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 2400, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 2450, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       1,
       true,
         "T:19:10: error: no free cell in front of a signal before a slowdown warning board (at 2500 m, 2500 m beyond the reference km 73+450) [code 11]\n"
         "segnale, 2450, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "         ^~~~\n"
         "1 error, 0 warnings\n"},
      {"scan 13",
       {{true, 14, "[rallentamenti]\nrallentamento, 4000, 60, 1000, 0, 0, 0"}, {true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 4350, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 4400, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 4450, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       1,
       true,
         "T:15:16: error: no free cell for a point inside a slow slowdown or in front of the signal after it (at 4450 m, 4450 m beyond the reference km 73+450) [code 13]\n"
         "rallentamento, 4000, 60, 1000, 0, 0, 0\n"
         "               ^~~~\n"
         "1 error, 0 warnings\n"},
      {"past the line's end",
       {{false, 21, "cartello_indicatore, 10500, (CULMINE)"}, {true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 10400, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       0,
       true,
         "L:21:22: warning: cartello_indicatore at 10500 m (10500 m beyond the reference km 73+450) stands past the end of the line (10000 m) by 500 m\n"
         "cartello_indicatore, 10500, (CULMINE)\n"
         "                     ^~~~~\n"
         "T:17:10: warning: segnale at 10400 m (10400 m beyond the reference km 73+450) stands past the end of the line (10000 m) by 400 m\n"
         "segnale, 10400, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "         ^~~~~\n"
         "0 errors, 2 warnings\n"},
      {"board text missing",
       {{false, 21, "cartello_indicatore, 4950\ncartello_indicatore, 6000, (CULMINE)"}},
       0,
       true,
         "L:21:26: warning: cartello_indicatore: the board text is missing: \"cartello_indicatore\" of line 22 is taken as the board text, and the entry of that line is lost\n"
         "cartello_indicatore, 4950\n"
         "                         ^\n"
         "0 errors, 1 warning\n"},
      {"board erased by a stop cell",
       {{false, 21, "cartello_indicatore, 5200, (CULMINE)"}},
       0,
       true,
         "T:13:11: warning: the stop cell of station \"BETA\" (cell 105) erases the name board \"(CULMINE)\" of line 21 of the line description\n"
         "stazione, 5000, 4, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,38, 0, BETA\n"
         "          ^~~~\n"
         "0 errors, 1 warning\n"},
      {"board erased by the first station's extended stop cell",
       {{false, 21, "cartello_indicatore, 650, (CULMINE)"},
        {true, 12, "stazione, 500, 12, 400, 1, 0, 1, 4,1,0, 2,1,1, 1, 6,48, 0, ALFA"}},
       0,
       true,
         "T:12:11: warning: the stop cell of station \"ALFA\" (cell 14) erases the name board \"(CULMINE)\" of line 21 of the line description\n"
         "stazione, 500, 12, 400, 1, 0, 1, 4,1,0, 2,1,1, 1, 6,48, 0, ALFA\n"
         "          ^~~\n"
         "0 errors, 1 warning\n"},
      {"signal erased by a later station's stop cell",
       {{true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 7200, 1, 5, 1, 0, 0, 0, 0,0,0, 0"},
        {true, 17, "stazione, 7000, 4, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,50, 0, GAMMA\n[codici]"}},
       0,
       true,
         "T:18:11: warning: the stop cell of station \"GAMMA\" (cell 145) erases a signal of line 17\n"
         "stazione, 7000, 4, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,50, 0, GAMMA\n"
         "          ^~~~\n"
         "0 errors, 1 warning\n"},
      {"curve side ambiguous",
       {{false, 11, "curva destra 3, 700, 250"}},
       0,
       true,
         "L:11:1: warning: the curve key \"curva destra 3\" holds both \"s\" and \"d\": it is read as a left-hand curve (any \"s\" makes a curve left-hand; write \"curvas\" or \"curvad\")\n"
         "curva destra 3, 700, 250\n"
         "^~~~~~~~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"gradient wraps in its byte",
       {{false, 15, "pendenza, 2000, -150"}},
       0,
       true,
         "L:15:17: warning: pendenza: the per-mille value -150 does not fit its stored width (per mille + 100 in one byte): it is stored as 206, which the simulator reads as +106 per mille\n"
         "pendenza, 2000, -150\n"
         "                ^~~~\n"
         "0 errors, 1 warning\n"},
      {"overlapping curves",
       {{false, 11, "curvas5, 700, 250\ncurvas4, 800, 100"}},
       0,
       true,
         "L:12:10: warning: curva at 800 m (800 m beyond the reference km 73+450) overlaps the curve of line 11 (700 m to 950 m)\n"
         "curvas4, 800, 100\n"
         "         ^~~\n"
         "0 errors, 1 warning\n"},
      {"boards out of order",
       {{false, 19, "indicatori_vmax, 300, 75, 80, 80, 0, , , , 0\nindicatori_vmax, 200, 75, 80, 80, 0, , , , 0"}},
       0,
       true,
         "L:20:18: warning: indicatori_vmax at 200 m (200 m beyond the reference km 73+450) is not after the previous one at 300 m (line 19): entries of this kind must be in ascending order of position\n"
         "indicatori_vmax, 200, 75, 80, 80, 0, , , , 0\n"
         "                 ^~~\n"
         "0 errors, 1 warning\n"},
      {"misspelt key drops a slowdown",
       {{true, 14, "[rallentamenti]\nrallentamneto, 4000, 120, 200, 0, 0, 0"}},
       0,
       true,
         "T:15:1: warning: key \"rallentamneto\" starts no entry and is dropped, with its values (did you mean \"rallentamento\"?)\n"
         "rallentamneto, 4000, 120, 200, 0, 0, 0\n"
         "^~~~~~~~~~~~~\n"
         "0 errors, 1 warning\n"},
      {"missing value",
       {{false, 15, "pendenza, 2000\npendenza, 2500, 3"}},
       1,
       true,
         "L:15:15: error: pendenza: missing the per-mille value (the next field, \"pendenza\" on line 16, is not a number) [code 25]\n"
         "pendenza, 2000\n"
         "              ^\n"
         "T:1:1: note: not compiled: the build stopped in the line description; this file was only checked\n"
         "1 error, 0 warnings\n"},
      {"slowdown one value short",
       {{true, 14, "[rallentamenti]\nrallentamento, 4000, 120, 200, 0, 0"}},
       1,
       true,
         "T:15:36: error: rallentamento: missing the d_v value (the next field, \"[segnali]\" on line 16, is not a number) [code 25]\n"
         "rallentamento, 4000, 120, 200, 0, 0\n"
         "                                   ^\n"
         "1 error, 0 warnings\n"},
      {"bad heading",
       {{true, 11, "[stazione]"}},
       1,
       true,
         "T:11:1: error: the heading \"[stazione]\" holds the keyword \"stazione\" and starts a stazione entry, which finds no position (\"stazione\" on line 12 is not a number): a heading must hold no keyword [code 25]\n"
         "[stazione]\n"
         "^~~~~~~~~~\n"
         "1 error, 0 warnings\n"},
      {"every error in one run",
       {{false, 9, "ripetizione segnali 4 codici, 25, 0"}, {true, 12, "stazione, 525, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, ALFA"}, {true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, x\nsegnale, 3500, 1, y, 1, 0, 0, 0, 0,0,0, 0\nsegnale, 20000, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}},
       1,
       true,
         "L:9:31: error: the first signal repetition distance is not a multiple of 50 m [code 3]\n"
         "ripetizione segnali 4 codici, 25, 0\n"
         "                              ^~\n"
         "T:1:1: note: not compiled: the build stopped in the line description; this file was only checked\n"
         "T:12:11: error: the station position is not a multiple of 50 m (at 525 m, 525 m beyond the reference km 73+450) (found after the build stopped) [code 8]\n"
         "stazione, 525, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, ALFA\n"
         "          ^~~\n"
         "T:16:41: error: segnale: the tempo field: expected a number, found \"x\" (found after the build stopped) [code 25]\n"
         "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, x\n"
         "                                        ^\n"
         "T:17:19: error: segnale: the s1 field: expected a number, found \"y\" (found after the build stopped) [code 25]\n"
         "segnale, 3500, 1, y, 1, 0, 0, 0, 0,0,0, 0\n"
         "                  ^\n"
         "T:18:10: error: segnale with its margin of 100 m runs past the last cell of the grid (at 20000 m, 20000 m beyond the reference km 73+450) (found after the build stopped) [code 15]\n"
         "segnale, 20000, 1, 5, 1, 0, 0, 0, 0,0,0, 0\n"
         "         ^~~~~\n"
         "5 errors, 0 warnings\n"},
      {"every error of the train file",
       {{true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, x\nsegnale, 3500, 1, y, 1, 0, 0, 0, 0,0,0, 0\nstazione, 7025, 4, 650, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,38, 0, GAMMA"}},
       1,
       true,
         "T:16:41: error: segnale: the tempo field: expected a number, found \"x\" [code 25]\n"
         "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, x\n"
         "                                        ^\n"
         "T:17:19: error: segnale: the s1 field: expected a number, found \"y\" (found after the build stopped) [code 25]\n"
         "segnale, 3500, 1, y, 1, 0, 0, 0, 0,0,0, 0\n"
         "                  ^\n"
         "T:18:11: error: the station position is not a multiple of 50 m (at 7025 m, 7025 m beyond the reference km 73+450) (found after the build stopped) [code 8]\n"
         "stazione, 7025, 4, 650, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,38, 0, GAMMA\n"
         "          ^~~~\n"
         "3 errors, 0 warnings\n"},
  };
  return cases;
}

TEST_F(SessionTest, EveryMessageNamesTheFileAndTheLineOfItsEntry) {
  options.write_on_error = true;
  for (const MessageCase& c : message_cases()) {
    SCOPED_TRACE(c.nome);
    line = kLine;
    train = kTrain;
    handler(c.edits, line, train);
    for (const auto& f : fs::directory_iterator(output.path())) fs::remove_all(f.path());
    EXPECT_EQ(compile_untouched(), c.status);
    EXPECT_EQ(messages, with_names(c.messages, nome_linea(), train_name()));
    // With --write-on-error, recorded codes change no output: the files are
    // written as the build writes them; only a build without a grid, or a
    // guard, writes none.
    EXPECT_EQ(content(output.path()).size(), c.written ? 3u : 0u);
  }
}

// Editors read the messages with the gcc pattern of VS Code's problem
// matcher: every error and warning of every case above gives its file, line,
// column, severity and text through it, notes through the same pattern with
// "note" added (as Vim's and Emacs' gcc patterns have it); the source lines,
// carets and the summary never pass for a message; messages that concern no
// file are signed with the program's name. Every code of the table has the
// same shape.
TEST_F(SessionTest, EveryMessageIsReadByTheEditorsPattern) {
  const std::regex gcc(R"(^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error):\s+(.*)$)");
  const std::regex with_notes(
      R"(^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error|note):\s+(.*)$)");
  const std::regex program(R"(^scenario-compile: (error|warning|note): .+$)");
  std::set<std::string> severities;
  for (const MessageCase& c : message_cases()) {
    SCOPED_TRACE(c.nome);
    line = kLine;
    train = kTrain;
    handler(c.edits, line, train);
    compile(true);
    std::istringstream in(messages);
    for (std::string text; std::getline(in, text);) {
      const bool head = text.rfind(nome_linea() + ":", 0) == 0 || text.rfind(train_name() + ":", 0) == 0;
      std::smatch m;
      if (!head) {
        EXPECT_FALSE(std::regex_match(text, m, with_notes)) << text;
        if (text.rfind("scenario-compile:", 0) == 0) {
          EXPECT_TRUE(std::regex_match(text, program)) << text;
        }
        continue;
      }
      const bool note = text.find(": note: ") != std::string::npos;
      ASSERT_TRUE(std::regex_match(text, m, note ? with_notes : gcc)) << text;
      EXPECT_TRUE(m[1] == nome_linea() || m[1] == train_name()) << text;
      EXPECT_GT(std::stoi(m[2]), 0) << text;
      ASSERT_FALSE(m[3].str().empty()) << text;
      EXPECT_GT(std::stoi(m[3]), 0) << text;
      EXPECT_FALSE(m[5].str().empty()) << text;
      EXPECT_EQ(text.substr(text.size() - m[5].length()), m[5].str());
      severities.insert(m[4]);
    }
  }
  EXPECT_EQ(severities, (std::set<std::string>{"error", "warning", "note"}));

  Report report({nome_linea(), lines(kLine)}, {train_name(), lines(kTrain)}, "Prova_7");
  for (const ErrorCode& row : code_table()) {
    Diagnostic d;
    d.code = row.code;
    d.file = DescriptionFile::line;
    d.riga = 2;
    d.column = 21;
    d.message = row.meaning;
    std::ostringstream out;
    report.write(out, d);
    std::string head = out.str().substr(0, out.str().find('\n'));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(head, m, gcc)) << head;
    EXPECT_EQ(m[1], nome_linea());
    EXPECT_EQ(m[2], "2");
    EXPECT_EQ(m[3], "21");
    EXPECT_EQ(m[4], "error");
    EXPECT_EQ(m[5], std::string(row.meaning) + " [code " + std::to_string(row.code) + "]");
  }
}

// Both windows before one slowdown start find no free cell: the grid scan
// records code 12 twice at the same cell, the second over the first, and
// each is reported at the slowdown's line.
TEST_F(SessionTest, ACodeRecordedTwiceIsReportedTwice) {
  options.write_on_error = true;
  std::vector<Edit> edits = {
      {true, 14, "[rallentamenti]\nrallentamento, 4000, 120, 200, 0, 0, 0"},
      {true, 16, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}};
  for (int posizione : {3350, 3400, 3450, 3650, 3700, 3750})
    edits[1].text += "\nsegnale, " + std::to_string(posizione) + ", 1, 5, 1, 0, 0, 0, 0,0,0, 0";
  handler(edits, line, train);
  EXPECT_EQ(compile_untouched(), 1);
  const std::string code =
      "T:15:16: error: no free cell in a window before a slowdown start (at 4050 m, 4050 m beyond the reference km 73+450) [code 12]\n"
      "rallentamento, 4000, 120, 200, 0, 0, 0\n"
      "               ^~~~\n";
  EXPECT_EQ(messages, with_names(code + code + "2 errors, 0 warnings\n", nome_linea(), train_name()));
}

TEST_F(SessionTest, CheckOnlyWritesNothingWhateverTheOutcome) {
  write_bytes(output.path() / "Prova_7.sim", "old");
  EXPECT_EQ(compile_untouched(true), 0);
  EXPECT_EQ(messages, "");
  train[15] = "segnale, 600, 1, 5, 1, 0, 0, 0, 0,0,0, 0";  // code 16
  EXPECT_EQ(compile_untouched(true), 1);
  EXPECT_EQ(content(output.path()), (std::map<std::string, std::string>{{"Prova_7.sim", "old"}}));
}

const char* const kNothingWritten =
    "scenario-compile: note: nothing written: the build recorded an error code (--write-on-error writes "
    "the files all the same)\n";
const char* const kNotCompiled =
    "scenario-compile: note: not compiled, nothing written: a description file holds text that cannot be "
    "converted to Windows-1252\n";

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A good build in the output folder, then a run that fails in each way a
// run can fail before writing: every file of the folder keeps every byte
// (no file added, none removed), and a note says why nothing was written. Each failed run would have written other bytes.
TEST_F(SessionTest, AFailedRunLeavesTheFilesOfAGoodBuildAsTheyWere) {
  const struct {
    const char* nome;
    std::vector<Edit> edits;
    bool strict;
    std::string last_message;
  } cases[] = {
      {"a code of the train half", {{true, 16, "segnale, 600, 1, 5, 1, 0, 0, 0, 0,0,0, 0"}}, false,
       kNothingWritten},
      {"code 25 in the line half, the grid made", {{false, 15, "pendenza, 2000, x"}}, false,
       kNothingWritten},
      {"a warning under --strict", {{false, 15, "pendenzza, 2000, 12"}}, true,
       "scenario-compile: note: nothing written: 1 warning, and --strict fails a run on any warning\n"},
      {"a character Windows-1252 cannot hold",
       {{true, 12, "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, BIA\xC5\x81" "A"}},
       false, kNotCompiled},
  };
  ASSERT_EQ(compile_untouched(), 0);
  const auto good = content(output.path());
  ASSERT_EQ(good.size(), 3u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nome);
    line = kLine;
    train = kTrain;
    handler(c.edits, line, train);
    options.strict = c.strict;
    EXPECT_EQ(compile_untouched(), 1);
    EXPECT_TRUE(contains(messages, c.last_message)) << messages;
    EXPECT_EQ(content(output.path()), good);
  }
}

// --write-on-error writes what the main program writes from the same
// files, byte for byte, and the run still ends with status 1.
TEST_F(SessionTest, WriteOnErrorWritesWhatTheMainProgramWrites) {
  train[15] = "segnale, 600, 1, 5, 1, 0, 0, 0, 0,0,0, 0";  // code 16
  options.write_on_error = true;
  EXPECT_EQ(compile_untouched(), 1);
  EXPECT_EQ(messages.find("nothing written"), std::string::npos) << messages;

  TempFolder program;
  write_bytes(program.path() / "Prova_linea.txt", lines(line));
  write_bytes(program.path() / "Prova_7-.txt", lines(train));
  TestPlatform platform(program.path());
  Form1 main_program(platform);
  main_program.nome_linea = "Prova";
  main_program.numero_treno = "7";
  main_program.memorizza_percorso(1);
  EXPECT_EQ(main_program.codice_errore, 16);
  const auto expected = content(program.path());
  EXPECT_EQ(expected.size(), 3u);
  EXPECT_EQ(content(output.path()), expected);
}

// --strict fails the run on any warning and writes nothing; --write-on-error
// writes all the same; --check never writes. A run without warnings passes.
TEST_F(SessionTest, StrictFailsTheRunOnAnyWarning) {
  line[14] = "pendenzza, 2000, 12";  // a misspelt key: one warning
  const struct {
    bool strict, write_on_error, check_only;
    int status;
    bool written;
  } cases[] = {
      {false, false, false, 0, true},
      {true, false, false, 1, false},
      {true, true, false, 1, true},
      {true, false, true, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.strict << c.write_on_error << c.check_only);
    for (const auto& f : fs::directory_iterator(output.path())) fs::remove_all(f.path());
    options.strict = c.strict;
    options.write_on_error = c.write_on_error;
    options.check_only = c.check_only;
    EXPECT_EQ(compile_untouched(), c.status);
    EXPECT_EQ(content(output.path()).size(), c.written ? 3u : 0u);
  }
  line = kLine;
  options = Request{};
  options.strict = true;
  EXPECT_EQ(compile_untouched(), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(content(output.path()).size(), 3u);
}

// The same scenario saved as Windows-1252 and as UTF-8 compiles to the same
// bytes. The UTF-8 file gets one warning naming it, unless --encoding utf-8
// says so; --encoding cp1252 takes its bytes as they are.
TEST_F(SessionTest, AUtf8FileCompilesToTheBytesOfItsWindows1252Twin) {
  const std::string station = "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, LE FORN";
  train[11] = station + "\xC0" "CI";  // À in Windows-1252
  ASSERT_EQ(compile_untouched(), 0);
  ASSERT_EQ(messages, "");
  const auto twin = content(output.path());
  ASSERT_NE(twin.at("Prova_7.sim").find("LE FORN\xC0" "CI"), std::string::npos);

  train[11] = station + "\xC3\x80" "CI";  // À in UTF-8
  const struct {
    TextEncoding encoding;
    std::string messages;
  } cases[] = {
      {TextEncoding::detect,
       "T:1:1: warning: read as UTF-8 and converted to Windows-1252, the code page of the compiled "
       "files (--encoding utf-8 reads it so without this warning)\n"
       "0 errors, 1 warning\n"},
      {TextEncoding::utf8, ""},
  };
  for (const auto& c : cases) {
    for (const auto& f : fs::directory_iterator(output.path())) fs::remove_all(f.path());
    options.encoding = c.encoding;
    EXPECT_EQ(compile_untouched(), 0);
    EXPECT_EQ(messages, with_names(c.messages, nome_linea(), train_name()));
    EXPECT_EQ(content(output.path()), twin);
  }
  options.encoding = TextEncoding::cp1252;
  EXPECT_EQ(compile_untouched(), 0);
  EXPECT_EQ(messages, "");
  EXPECT_NE(read_bytes(output.path() / "Prova_7.sim").find("LE FORN\xC3\x80" "CI"), std::string::npos);
}

// Text that cannot become Windows-1252 is an error at its file and line,
// with the caret under the first such character of the line (shown as
// U+FFFD); nothing is compiled and nothing is written.
TEST_F(SessionTest, TextWindows1252CannotHoldIsAnErrorAtItsLine) {
  const std::string before = "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, ";
  const std::string caret = std::string(before.size() + 3, ' ') + "^\n";
  const std::string at = "T:12:" + std::to_string(before.size() + 4) + ": error: ";
  const std::string utf8_warning =
      "T:1:1: warning: read as UTF-8 and converted to Windows-1252, the code page of the compiled "
      "files (--encoding utf-8 reads it so without this warning)\n";
  const struct {
    const char* nome;
    std::string name;
    TextEncoding encoding;
    std::string messages;
    const char* summary;
  } cases[] = {
      {"a letter", "BIA\xC5\x82" "A", TextEncoding::detect,
       utf8_warning +
           at + "\"\xC5\x82\" (U+0142) has no Windows-1252 form, the code page of the "
           "compiled files\n" +
           before + "BIA\xEF\xBF\xBD" "A\n" + caret,
       "1 error, 1 warning\n"},
      {"two on one line", "BIA\xF0\x9F\x9A\x82\xC5\x82", TextEncoding::detect,
       utf8_warning +
           at + "\"\xF0\x9F\x9A\x82\" (U+1F682) has no Windows-1252 form, the code page "
           "of the compiled files (and 1 more character on this line)\n" +
           before + "BIA\xEF\xBF\xBD\xEF\xBF\xBD\n" + caret,
       "1 error, 1 warning\n"},
      {"Windows-1252 read as UTF-8", "BIA\xC0" "CI", TextEncoding::utf8,
       at + "byte 0xC0 is not UTF-8 text\n" + before + "BIA\xEF\xBF\xBD" "CI\n" + caret,
       "1 error, 0 warnings\n"},
      {"a byte Windows-1252 leaves undefined", "BIA\x9D" "CI", TextEncoding::detect,
       at + "byte 0x9D is not a Windows-1252 character (the file is read as Windows-1252)\n" +
           before + "BIA\xEF\xBF\xBD" "CI\n" + caret,
       "1 error, 0 warnings\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nome);
    train = kTrain;
    train[11] = before + c.name;
    options.encoding = c.encoding;
    EXPECT_EQ(compile_untouched(), 1);
    EXPECT_EQ(messages,
              with_names(c.messages, nome_linea(), train_name()) + kNotCompiled + c.summary);
    EXPECT_TRUE(fs::is_empty(output.path()));
  }
}

TEST_F(SessionTest, CheckOnlyNeedsNoOutputFolder) {
  write_descriptions();
  Request r;
  r.source = source.path();
  r.output = source.path() / "missing";
  r.line = "Prova";
  r.train = "7";
  r.check_only = true;
  std::ostringstream out;
  EXPECT_EQ(compile_scenario(r, out), 0);
  EXPECT_FALSE(fs::exists(source.path() / "missing"));
}

TEST_F(SessionTest, OutputFolderDefaultsToTheSourceFolderAndKeepsTheAuthorsFiles) {
  write_descriptions();
  Request r;
  r.source = source.path();
  r.line = "Prova";
  r.train = "7";
  std::ostringstream out;
  EXPECT_EQ(compile_scenario(r, out), 0);
  const auto file = content(source.path());
  EXPECT_EQ(file.size(), 5u);
  EXPECT_EQ(file.at("Prova_linea.txt"), lines(line));
  EXPECT_EQ(file.at("Prova_7-.txt"), lines(train));
  EXPECT_EQ(file.count("Prova_7.dat"), 1u);
}

// A compiled file that cannot be replaced (a folder stands in its place)
// is a file failure: status 3, the author's files untouched, and the output
// folder as it was: the three files are replaced together or not at all,
// and no temporary file stays.
TEST_F(SessionTest, AFileThatCannotBeWrittenEndsWithItsNameAndStatus3) {
  fs::create_directory(output.path() / "Prova_7.sim");
  EXPECT_EQ(compile_untouched(), 3);
  EXPECT_EQ(messages.rfind("scenario-compile: error: " + (output.path() / "Prova_7.sim").string() +
                               ": cannot replace: ",
                           0),
            0u)
      << messages;
  EXPECT_EQ(content(output.path()), (std::map<std::string, std::string>{{"Prova_7.sim", "<folder>"}}));
}

TEST_F(SessionTest, MissingFolderOrDescriptionFileIsAnInputError) {
  std::ostringstream out;
  Request r;
  r.source = source.path() / "nowhere";
  EXPECT_EQ(compile_scenario(r, out), 2);
  EXPECT_EQ(out.str(), "scenario-compile: error: " + r.source.string() + ": no such source folder\n");

  write_bytes(line_file(), lines(line));
  out.str("");
  r.source = source.path();
  r.line = "Prova";
  r.train = "7";
  EXPECT_EQ(compile_scenario(r, out), 2);
  EXPECT_EQ(out.str(), "scenario-compile: error: " + train_name() + ": no such description file\n");

  write_bytes(train_file(), lines(train));
  out.str("");
  r.output = source.path() / "nowhere";
  EXPECT_EQ(compile_scenario(r, out), 2);
  EXPECT_EQ(out.str(), "scenario-compile: error: " + r.output->string() + ": no such output folder\n");
  EXPECT_EQ(content(source.path()).size(), 2u);
}

// Bad names are refused before anything is read or written, whatever files
// they would name.
TEST_F(SessionTest, BadNamesAreRefusedAndNothingIsWritten) {
  write_descriptions();
  const struct {
    const char* line;
    const char* train;
    const char* message;
  } cases[] = {
      {"", "7", "scenario-compile: error: bad line name \"\": it is empty\n"},
      {"../Prova", "7", "scenario-compile: error: bad line name \"../Prova\": it holds a path separator\n"},
      {"Prova", "..", "scenario-compile: error: bad train number \"..\": it holds \"..\"\n"},
      {"Prova", "7\n", "scenario-compile: error: bad train number \"7\n\": it holds the control character 0x0A\n"},
      {"Pr\xCE\xA9va", "a/b",
       "scenario-compile: error: bad line name \"Pr\xCE\xA9va\": it is not UTF-8 text, or it holds a "
       "character outside Windows-1252\n"
       "scenario-compile: error: bad train number \"a/b\": it holds a path separator\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Request r;
    r.source = source.path();
    r.output = output.path();
    r.line = c.line;
    r.train = c.train;
    std::ostringstream out;
    EXPECT_EQ(compile_scenario(r, out), 2);
    EXPECT_EQ(out.str(), c.message);
    EXPECT_TRUE(fs::is_empty(output.path()));
  }
  EXPECT_EQ(content(source.path()).size(), 2u);
}

// The built-in scenario: the description files the main program writes,
// compiled by the tool, give exactly the files the main program compiles
// from them, with no message at all.
TEST_F(SessionTest, BuiltInScenarioGivesTheMainProgramsFilesByteForByte) {
  TestPlatform author_platform(source.path());
  Form1 author(author_platform);
  author.nome_linea = kDefaultLineName;
  author.numero_treno = kDefaultTrainNumber;
  author.dati_linea();
  author.dati_treno();
  const auto descriptions = content(source.path());
  ASSERT_EQ(descriptions.size(), 2u);

  TempFolder program;
  TestPlatform platform(program.path());
  Form1 main_program(platform);
  try {
    main_program.Form_Load();
  } catch (const ProgramEnded& fine) {
    EXPECT_EQ(fine.status, 0);
  }

  Request r;
  r.source = source.path();
  r.output = output.path();
  std::ostringstream out;
  EXPECT_EQ(compile_scenario(r, out), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(content(source.path()), descriptions);
  const auto compiled = content(output.path());
  ASSERT_EQ(compiled.size(), 3u);
  for (const auto& [nome, byte] : compiled) {
    SCOPED_TRACE(nome);
    EXPECT_EQ(byte, read_bytes(program.path() / nome));
  }
}

// A text too long for the 16-bit length of its field stops the run before
// anything is written, with status 3, like a file that cannot be written.
// (A byte Windows-1252 leaves undefined never gets this far: it is an error
// at its line before the build.)
TEST_F(SessionTest, ATextTooLongForItsFieldEndsWithStatus3) {
  line[20] = "cartello_indicatore, 6000, \"" + std::string(70000, 'A') + "\"";
  EXPECT_EQ(compile_untouched(), 3);
  EXPECT_EQ(messages, "scenario-compile: error: " + (output.path() / "Prova_7.sim").string() +
                          ": cannot write: the name of record 80: 70000 bytes do not fit a "
                          "16-bit length\n1 error, 0 warnings\n");
  EXPECT_TRUE(fs::is_empty(output.path()));
}

}  // namespace
