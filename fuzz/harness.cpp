#include "harness.h"

#include <algorithm>
#include <cctype>
#include <concepts>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

#include "app/error_codes.h"
#include "app/form1.h"
#include "app/main_program.h"
#include "compile/field_reader.h"
#include "decode.h"
#include "output/layouts.h"
#include "output/scenario_files.h"
#include "platform/ansi.h"
#include "render.h"
#include "report.h"
#include "scenario.h"
#include "testing/memory_platform.h"
#include "testing/sha256.h"

namespace fs = std::filesystem;

namespace {

/// An invariant broke: say which and where, then stop the process so that
/// the fuzzer keeps the input (and a replay test fails).
[[noreturn]] void violation(const char* harness, const std::string& what) {
  std::fprintf(stderr, "%s: invariant broken: %s\n", harness, what.c_str());
  std::fflush(stderr);
  std::abort();
}

/// Checks one invariant. The message is composed only when it breaks:
/// built for every check, it cost an allocation each on every input.
void require(bool condition, const char* harness, const char* what) {
  if (!condition) violation(harness, what);
}

/// The same with a message that needs the values at hand, composed by
/// `what` when the invariant breaks.
template <std::invocable Compose>
void require(bool condition, const char* harness, Compose&& what) {
  if (!condition) violation(harness, what());
}

std::string_view as_text(std::span<const uint8_t> input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// ===== Field reader =====

enum class FieldKind { text, int32, int16, uint8 };

int32_t count_line_ends(std::string_view text) {
  int32_t lines = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      ++lines;
  }
  return lines;
}

}  // namespace

void fuzz_field_reader(std::span<const uint8_t> input) {
  constexpr const char* kName = "fuzz_field_reader";
  const std::string_view whole = as_text(input);
  const size_t nul = whole.find('\0');
  const std::string_view types = nul == std::string_view::npos ? std::string_view("\0\1\0\2\0\3", 6)
                                                              : whole.substr(0, nul);
  const std::string_view file = nul == std::string_view::npos ? whole : whole.substr(nul + 1);
  if (types.empty()) return;

  FieldReader reader{std::string(file)};
  const int32_t lines = count_line_ends(file) + 1;
  int32_t line_before = reader.current_line();
  // Every read takes at least one byte, so the file ends after at most as
  // many reads as it has bytes.
  size_t reads = 0;
  // Fields come out in file order, so each text field is a run that starts
  // at or after the end of the first place the text before it was found:
  // searching from there keeps the check linear in the file.
  size_t search_from = 0;
  bool worded = false;
  for (; !reader.end_of_file(); ++reads) {
    require(reads <= file.size(), kName, "the reader does not advance");
    const auto field = static_cast<FieldKind>(static_cast<uint8_t>(types[reads % types.size()]) % 4);
    // The reads that do not throw: a bad field is the common case here, and
    // an exception per bad field cost a large share of every run.
    FieldFailure failure;
    switch (field) {
      case FieldKind::text: {
        const FieldRead<std::string> t = reader.try_read_text();
        if (!t.ok()) {
          failure = t.failure();
          break;
        }
        // A text field is always one run of the file's own bytes, after
        // the text fields read before it.
        const size_t at = file.find(t.value(), search_from);
        require(at != std::string_view::npos, kName, [&] {
          return "a text field that is not a run of the file after the fields before it: \"" +
                 t.value() + "\"";
        });
        search_from = at + t.value().size();
        break;
      }
      case FieldKind::int32: failure = reader.try_read_int32().failure(); break;
      case FieldKind::int16: failure = reader.try_read_int16().failure(); break;
      case FieldKind::uint8: failure = reader.try_read_uint8().failure(); break;
    }
    if (failure.problem != FieldProblem::none) {
      require(failure.line >= 1 && failure.line <= lines && failure.column >= 1, kName, [&] {
        return "a failure outside the file's lines: line " + std::to_string(failure.line) + ", column " +
               std::to_string(failure.column) + ": " + failure.message();
      });
      // The words of the first failure of each input, so that composing
      // them is fuzzed too: they name the field that failed.
      if (!worded) {
        worded = true;
        const std::string words = failure.message();
        require(!words.empty() && words.find(failure.token) != std::string::npos, kName,
                [&] { return "a failure's words do not name its field: " + words; });
      }
    }
    require(reader.current_line() >= line_before && reader.current_line() <= lines, kName,
            "the line count went back or past the file's lines");
    line_before = reader.current_line();
  }
  // At the end, a further field is a read failure and nothing else, with
  // both kinds of read.
  require(reader.try_read_text().failure().problem == FieldProblem::end_of_file, kName,
          "a field read after the end of the file");
  try {
    reader.read_text();
    violation(kName, "a field read after the end of the file");
  } catch (const ReadFailure&) {
  }
}

// ===== Whole compilation =====

namespace {

constexpr const char* kCompilation = "fuzz_compilation";

/// Codes with which the line half returns at once: the train description is
/// then neither read nor deleted.
bool stops_the_line(int32_t code) {
  for (const int32_t c : {1, 3, 4, 5, 6, 21, 102, 103})
    if (c == code) return true;
  return false;
}

/// Bytes of the line data file that the plan's layout implies, in both
/// columns: the integers of rows 0 and 1 and the doubles after them up to
/// the rows that hold a value, then a bare tag for every other row. Counted
/// by kind, not row by row: the plan has 7001 rows at least.
size_t plan_bytes(const TrackPlan& t) {
  const auto rows = static_cast<size_t>(std::max(t.rows(), 0));
  const auto values = static_cast<size_t>(std::clamp(t.computed(), 0, std::max(t.rows(), 0)));
  const size_t integers = std::min<size_t>(values, 2);
  return 2 * (integers * layout::element_bytes(VariantType::int16) +
              (values - integers) * layout::element_bytes(VariantType::float64) +
              (rows - values) * layout::element_bytes(VariantType::empty));
}

size_t record_bytes(const RecordTable& voci) {
  size_t n = 0;
  for (const voce& v : voci) n += 34 + v.nome.size();
  return n;
}

struct CompiledFiles {
  fs::path line_dat, service, grid;
};

/// The compiled files of the last build that wrote any, and what the
/// inspector read from them.
struct ReadBack {
  std::string grid, service, line;
  Scenario scenario;
  bool filled = false;
};

/// The compiled files read through the inspector. Most inputs the fuzzer
/// tries differ from the one before only where the build ignores them or
/// fails the same way, so they write the very same files again; the reader
/// depends on nothing but these bytes, so the scenario read last time is
/// what it would read again, and reading the 7001 rows of the plan anew
/// would cost half of the build. Nothing is lost: files that do not read
/// stop the process before they are kept, and every build's own tables are
/// still compared with what its files read back to.
const Scenario& read_back(const std::string& grid, const std::string& service, const std::string& line) {
  static ReadBack last;  // the fuzzer and the replay tests run one input at a time
  if (last.filled && last.line == line && last.grid == grid && last.service == service) return last.scenario;
  last.filled = false;
  ScenarioBytes b{grid, "grid", service, "service", line, "line data"};
  Read<Scenario> read_value = read_scenario(b);
  if (!read_value.ok()) violation(kCompilation, "written files do not read back: " + read_value.error().message());
  last.scenario = std::move(read_value.value());
  last.grid = grid;
  last.service = service;
  last.line = line;
  last.filled = true;
  return last.scenario;
}

/// The compiled files read back through the inspector must give the very
/// tables the build wrote, with the sizes their layouts imply.
void check_written_files(const Form1& f, const MemoryPlatform& p, const CompiledFiles& names) {
  const auto file = [&](const fs::path& nome) -> const std::string& {
    const auto it = p.files.find(nome);
    if (it == p.files.end()) violation(kCompilation, "a grid exists but " + nome.string() + " was not written");
    return it->second;
  };
  const std::string& grid = file(names.grid);
  const std::string& service = file(names.service);
  const std::string& line = file(names.line_dat);
  require(grid.size() == 15 * f.percorso.size(), kCompilation, "grid file size");
  require(service.size() == record_bytes(f.voci), kCompilation, "service file size");
  require(line.size() == plan_bytes(f.tracciato), kCompilation, "line data file size");

  const int32_t length = f.voci[fixed_record::general].fine;
  require(static_cast<int64_t>(f.percorso.size()) == layout::grid_cells(length), kCompilation,
          [&] {
            return "the grid has " + std::to_string(f.percorso.size()) + " cells, the line length " +
                   std::to_string(length) + " m asks for " + std::to_string(layout::grid_cells(length));
          });
  require(f.tracciato.rows() == length + 7001, kCompilation, "the plan's rows and the line length");

  const Scenario& s = read_back(grid, service, line);
  require(s.voci == f.voci, kCompilation, "the records read back differ");
  require(s.percorso == f.percorso, kCompilation, "the grid read back differs");
  require(s.tracciato.computed() == f.tracciato.computed(), kCompilation, "the plan read back differs");
  require(s.checks.valid_ones(), kCompilation, "markers or check codes of the written files are wrong");
}

/// True when no run of digits in `text` stands for a number above `limit`.
/// A number field is a sign and one whole run of digits between separators,
/// so a line description that passes declares no line longer than `limit`.
bool numbers_within(std::string_view text, int64_t limit) {
  int64_t value = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (value > limit) return false;
    } else {
      value = 0;
    }
  }
  return true;
}

void check_build(std::span<const uint8_t> input) {
  const std::string_view whole = as_text(input);
  const size_t nul = whole.find('\0');

  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = "Fuzz";
  f.numero_treno = std::string("7");
  const fs::path line_txt = f.file_name(ScenarioFile::line_description);
  const fs::path train_txt = f.file_name(ScenarioFile::train_description);
  const CompiledFiles names{f.file_name(ScenarioFile::line_data), f.file_name(ScenarioFile::service),
                           f.file_name(ScenarioFile::grid)};
  p.files[line_txt] = std::string(whole.substr(0, nul));
  if (nul != std::string_view::npos) p.files[train_txt] = std::string(whole.substr(nul + 1));

  int status = -1;
  std::string failed;  // the file a fatal end named
  try {
    f.memorizza_percorso(1);
    status = f.report_outcome();
  } catch (const ProgramEnded& fine) {
    // Only the guards end a build from inside: their message, status 3.
    require(fine.status == exit_status::fatal, kCompilation, "a guard ended with another status");
    require(p.messages.size() == 1 &&
                 (p.messages[0] == " Errore n. 1250" || p.messages[0] == " Errore n. 1251"),
            kCompilation, "a build ended without the message of a guard");
    status = fine.status;
  } catch (const FileError& errore) {
    // A table the files cannot hold (a name outside Windows-1252): the run
    // ends with status 3 naming the compiled file it could not write.
    failed = errore.file().string();
    require(errore.file() == names.service, kCompilation,
            [&] { return std::string("a file failure outside the service file: ") + errore.what(); });
    require(p.files.count(names.service) == 0 && p.files.count(names.grid) == 0, kCompilation,
            "a compiled file written after the one that failed");
    status = exit_status::fatal;
  } catch (const std::exception& another) {
    violation(kCompilation, std::string("an exception escaped the build: ") + another.what());
  }

  const int32_t code = f.codice_errore;
  require(code == 0 || (find_code(code) != nullptr && code != 1250 && code != 1251),
          kCompilation, [&] { return "code " + std::to_string(code) + " is not in the table of codes"; });
  require(p.files.count(line_txt) == 0, kCompilation, "the line description is still there");
  if (nul != std::string_view::npos)
    require(p.files.count(train_txt) == 0 || stops_the_line(code), kCompilation,
            [&] { return "the train description is still there after code " + std::to_string(code); });

  const bool grid = f.percorso.size() >= 2;
  if (status == exit_status::fatal) {
    if (failed.empty())  // a guard: no compiled file at all
      for (const fs::path& n : {names.line_dat, names.service, names.grid})
        require(p.files.count(n) == 0, kCompilation,
                [&] { return "a guard failed after " + n.string() + " was written"; });
    return;
  }
  require(status == ((code == 0 && grid) ? exit_status::clean : exit_status::recorded_code),
          kCompilation,
          [&] { return "exit status " + std::to_string(status) + " with code " + std::to_string(code); });
  if (grid) {
    check_written_files(f, p, names);
  } else {
    for (const fs::path& n : {names.line_dat, names.service, names.grid})
      require(p.files.count(n) == 0, kCompilation,
              [&] { return "no grid, yet " + n.string() + " was written"; });
  }
}

}  // namespace

bool within_short_line(std::span<const uint8_t> input) {
  const std::string_view whole = as_text(input);
  return numbers_within(whole.substr(0, whole.find('\0')), kShortLineMetres);
}

void fuzz_compilation(std::span<const uint8_t> input) {
  if (within_short_line(input)) check_build(input);
}

void fuzz_compilation_long_line(std::span<const uint8_t> input) {
  if (is_program_run(input)) return fuzz_program_run(input);
  check_build(input);
}

// ===== Inspector readers =====

namespace {

constexpr const char* kInspector = "fuzz_inspector_readers";

uint32_t u32_le(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    if (at + i < b.size()) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return v;
}

void put_u32(std::string& out, size_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFFu);
}

void check_error(const FileReadError& e, const ScenarioBytes& b) {
  int64_t file_size_expected = -1;
  if (e.file == b.service_name) file_size_expected = static_cast<int64_t>(b.service.size());
  if (e.file == b.grid_name) file_size_expected = static_cast<int64_t>(b.grid.size());
  if (b.line && e.file == b.line_dat_name) file_size_expected = static_cast<int64_t>(b.line->size());
  require(file_size_expected >= 0, kInspector, [&] { return "an error naming no file read: " + e.message(); });
  require(e.offset >= 0 && e.offset <= file_size_expected, kInspector,
          [&] { return "an error offset outside its file: " + e.message(); });
  require(!e.expected.empty() && !e.found.empty(), kInspector, "an error without its words");
}

/// What was read must write back to the very same bytes, where it can be
/// written at all (a name outside Windows-1252 cannot).
void check_rewrite(const Scenario& s, const ScenarioBytes& b) {
  require(grid_file_bytes(s.percorso) == b.grid, kInspector, "the grid does not write back");
  try {
    require(service_file_bytes(s.voci) == b.service, kInspector, "the records do not write back");
  } catch (const AnsiError&) {
  }
  if (b.line)
    require(line_data_file_bytes(s.tracciato) == *b.line, kInspector, "the plan does not write back");
}

/// The readers on one input, and with `render` what the tool makes of a
/// scenario that reads.
void check_readers(std::span<const uint8_t> input, bool render) {
  const std::string_view whole = as_text(input);
  if (whole.size() < 9) return;
  const bool with_line = (static_cast<uint8_t>(whole[0]) & 1u) != 0;
  std::string_view rest = whole.substr(9);
  const size_t service_count = std::min<size_t>(u32_le(whole, 1), rest.size());
  const std::string_view service = rest.substr(0, service_count);
  rest.remove_prefix(service_count);
  const size_t grid_count = std::min<size_t>(u32_le(whole, 5), rest.size());
  const std::string_view grid = rest.substr(0, grid_count);
  rest.remove_prefix(grid_count);

  ScenarioBytes b{grid, "grid.dat", service, "service.sim",
                  with_line ? std::optional<std::string_view>(rest) : std::nullopt, "line.dat"};

  // The grid reader alone, on whatever the bytes hold, without the number
  // of cells a service file would fix. The records reader needs no such
  // call: read_scenario runs it first on these very bytes and returns its
  // error as it is, so a second run would only repeat the same work.
  if (const auto g = read_grid(grid, b.grid_name, std::nullopt); !g.ok())
    check_error(g.error(), b);

  const Read<Scenario> read_value = read_scenario(b);
  if (!read_value.ok()) {
    check_error(read_value.error(), b);
    return;
  }
  const Scenario& s = read_value.value();
  require(s.length >= 0 && s.length <= 1000000, kInspector, "a line length outside 0 to 1000000");
  require(static_cast<int64_t>(s.percorso.size()) == layout::grid_cells(s.length), kInspector,
          "a grid accepted with the wrong number of cells");
  require(!with_line || s.tracciato.rows() == s.length + 7001, kInspector,
          "a plan accepted with the wrong number of rows");
  check_rewrite(s, b);
  if (!render) return;

  // What the tool makes of a scenario that reads: decoded, reported, rendered.
  const Decoded d = decode(s);
  const Summary r = compose_summary(s, d);
  require(!render_summary(r).empty(), kInspector, "an empty summary");
  require(!render_json(s, d).empty(), kInspector, "an empty JSON document");
  require(!render_html(s, d, r).empty(), kInspector, "an empty page");
}

}  // namespace

void fuzz_inspector_readers(std::span<const uint8_t> input) { check_readers(input, false); }

void fuzz_inspector_output(std::span<const uint8_t> input) { check_readers(input, true); }

// ===== Inputs =====

std::string compilation_input(std::string_view line, std::optional<std::string_view> train) {
  std::string out(line);
  if (train) {
    out += '\0';
    out += *train;
  }
  return out;
}

std::string inspector_input(std::string_view service, std::string_view grid,
                            std::optional<std::string_view> line) {
  std::string out(1, line ? '\1' : '\0');
  put_u32(out, service.size());
  put_u32(out, grid.size());
  out += service;
  out += grid;
  if (line) out += *line;
  return out;
}

// ===== The main program's run =====

namespace {

constexpr const char* kProgramRun = "fuzz_program_run";

/// The reason of the file failure the harness injects.
constexpr const char* kInjectedReason = "cannot write: No space left on device";

/// How many names a file of the folder laid out before the run can have:
/// the eight files of the built-in scenario, then as many other files,
/// which the run must leave alone.
constexpr size_t kScenarioNames = std::size(kScenarioFileNames);
constexpr size_t kFolderNames = 2 * kScenarioNames;

/// The names of the other files: near the scenario's own in name or place.
std::vector<fs::path> other_names() {
  const auto name = [](ScenarioFile file, const char* line = kDefaultLineName,
                       const char* train = kDefaultTrainNumber) {
    return scenario_file_name(file, line, train);
  };
  std::string other_letters = name(ScenarioFile::line_description);
  for (char& c : other_letters) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return {
      name(ScenarioFile::service, kDefaultLineName, "4159"),  // another train of the line
      name(ScenarioFile::service) + ".bak",                   // a copy the author kept
      name(ScenarioFile::line_description, "Prova", "7"),     // another scenario's files
      name(ScenarioFile::train_description, "Prova", "7"),
      other_letters,                                          // the same name in other letters
      scenario_stem(kDefaultLineName, kDefaultTrainNumber),   // the stem alone
      fs::path("sub") / name(ScenarioFile::line_data),        // in a folder below
      fs::path("/elsewhere") / name(ScenarioFile::grid),      // in another folder
  };
}

using Folder = std::map<fs::path, std::string>;

/// One change the run made to the folder: new bytes, or the file deleted.
struct FileChange {
  fs::path file;
  std::optional<std::string> bytes;
};

/// One call of the run on the platform's files: a write (one file, or a
/// group written together) or a deletion.
struct FolderStep {
  bool write;
  std::vector<FileChange> changes;
};

/// The in-memory platform, made to fail one chosen write as a full disk
/// would, and to keep what each call changed (for the reference run).
class RunPlatform : public MemoryPlatform {
 public:
  int32_t failing_write = 0;  ///< 1 for the first write of the run; 0 for none
  int32_t writes = 0;
  bool keep_steps = false;
  std::vector<FolderStep> steps;

  void replace_file(const fs::path& file, std::string_view bytes) override {
    fail_if_chosen(file);
    MemoryPlatform::replace_file(file, bytes);
    if (keep_steps) steps.push_back({true, {{file, files[file]}}});
  }
  void replace_files(std::span<const NewFile> group) override {
    fail_if_chosen(group.empty() ? fs::path() : group[0].file);
    MemoryPlatform::replace_files(group);
    if (!keep_steps) return;
    FolderStep step{true, {}};
    for (const NewFile& f : group) step.changes.push_back({f.file, files[f.file]});
    steps.push_back(std::move(step));
  }
  void delete_file(const fs::path& file) override {
    MemoryPlatform::delete_file(file);
    if (keep_steps) steps.push_back({false, {{file, std::nullopt}}});
  }

 private:
  void fail_if_chosen(const fs::path& file) {
    if (++writes == failing_write) throw FileError(file, kInjectedReason);
  }
};

/// The command lines a run is given (the arguments after the program's
/// name): the program's own folder, named or not, then three a run must
/// refuse before it touches any file.
const std::vector<std::string> kCommandLines[] = {
    {},                    // the folder that holds the program
    {MemoryPlatform::kProgramFolder},                                 // the same folder, named
    {"/nowhere"},                                                     // no such folder
    {std::string(MemoryPlatform::kProgramFolder) + "/sub"},           // a folder once a file is there
    {MemoryPlatform::kProgramFolder, MemoryPlatform::kProgramFolder}  // more than one folder
};

/// Whether a run given these arguments builds into the program's own folder.
bool builds_in_program_folder(const std::vector<std::string>& arguments) {
  return arguments.empty() || (arguments.size() == 1 && arguments[0] == MemoryPlatform::kProgramFolder);
}

/// The whole run of the main program on the platform, from its command
/// line; its exit status.
int run_program(RunPlatform& p, const std::vector<std::string>& arguments = {}) {
  try {
    run_main_program(p, arguments);
  } catch (const ProgramEnded& end) {
    return end.status;
  } catch (const std::exception& another) {
    violation(kProgramRun, std::string("an exception escaped the run: ") + another.what());
  }
  violation(kProgramRun, "the run returned instead of ending the program");
}

/// What a run does to the folder, from a run on an empty one: its steps,
/// checked once against the digests the suite pins for the built-in
/// scenario's eight files.
struct ProgramReference {
  std::vector<FolderStep> steps;
  int32_t writes = 0;
  fs::path names[kFolderNames];
};

ProgramReference make_program_reference() {
  ProgramReference r;
  RunPlatform p;
  p.keep_steps = true;
  const int status = run_program(p);
  require(status == exit_status::clean && p.reports.empty() && p.messages.empty(), kProgramRun,
          "the run on an empty folder is not a clean build");

  // The last bytes written under each name, the deleted description files
  // included, against the pinned digests.
  std::map<std::string, std::string> written;
  for (const FolderStep& step : p.steps)
    for (const FileChange& c : step.changes)
      if (c.bytes) written[c.file.filename().string()] = *c.bytes;
  const std::map<std::string, std::string> pinned = read_sha256sums(SCENARIO_BUILT_IN_DIGESTS);
  require(pinned.size() == kScenarioNames && written.size() == kScenarioNames, kProgramRun,
          "the run did not write the built-in scenario's eight files");
  for (const auto& file : pinned) {
    const auto it = written.find(file.first);
    require(it != written.end() && sha256_hex(it->second) == file.second, kProgramRun,
            [&] { return file.first + " is not the built-in scenario's file"; });
  }
  Form1 names(p);
  names.nome_linea = kDefaultLineName;
  names.numero_treno = kDefaultTrainNumber;
  for (size_t i = 0; i < kScenarioNames; ++i) r.names[i] = names.file_name(static_cast<ScenarioFile>(i));
  const std::vector<fs::path> others = other_names();
  require(others.size() == kFolderNames - kScenarioNames, kProgramRun, "the table of other names");
  for (size_t i = 0; i < others.size(); ++i) r.names[kScenarioNames + i] = p.program_folder() / others[i];
  // The run leaves the documents and the compiled files, nothing else.
  require(p.files.size() == std::size(kFilesLeftByARun), kProgramRun, "the run left other files");
  for (const ScenarioFile file : kFilesLeftByARun)
    require(p.files.count(r.names[static_cast<size_t>(file)]) == 1, kProgramRun,
            "the run did not leave one of its six files");
  r.steps = std::move(p.steps);
  r.writes = p.writes;
  return r;
}

const ProgramReference& program_reference() {
  static const ProgramReference reference = make_program_reference();
  return reference;
}

/// The folder after the reference run's steps up to, not including, the
/// write numbered `failing_write` (all of them for 0).
Folder expected_folder(Folder folder, int32_t failing_write) {
  int32_t writes = 0;
  for (const FolderStep& step : program_reference().steps) {
    if (step.write && ++writes == failing_write) break;
    for (const FileChange& c : step.changes) {
      if (c.bytes)
        folder[c.file] = *c.bytes;
      else
        folder.erase(c.file);
    }
  }
  return folder;
}

std::string first_difference(const Folder& found, const Folder& expected) {
  for (const auto& [file, bytes] : expected) {
    const auto it = found.find(file);
    if (it == found.end()) return file.string() + " is missing";
    if (it->second != bytes) return file.string() + " holds other bytes";
  }
  for (const auto& [file, bytes] : found)
    if (expected.count(file) == 0) return file.string() + " should not be there";
  return "no difference";
}

}  // namespace

bool is_program_run(std::span<const uint8_t> input) { return !input.empty() && input[0] == 0; }

void fuzz_program_run(std::span<const uint8_t> input) {
  const ProgramReference& reference = program_reference();
  const std::string_view whole = as_text(input);
  const auto byte = [&](size_t at) -> size_t {
    return at < whole.size() ? static_cast<uint8_t>(whole[at]) : 0;
  };
  RunPlatform p;
  // Byte 1: the write that fails in its low five bits (a run makes fewer
  // than 32), the command line in the three above them.
  p.failing_write = static_cast<int32_t>(byte(1) & 0x1Fu);
  const std::vector<std::string>& arguments = kCommandLines[(byte(1) >> 5) % std::size(kCommandLines)];
  // The folder before the run: a name byte, a 2-byte little-endian length
  // (cut to what the input holds) and the bytes, for each file in turn; a
  // later file of the same name replaces an earlier one.
  for (size_t at = 2; at < whole.size();) {
    const fs::path& file = reference.names[byte(at) % kFolderNames];
    const size_t length = byte(at + 1) | (byte(at + 2) << 8);
    at = std::min(whole.size(), at + 3);
    const std::string_view bytes = whole.substr(at, length);
    p.files[file] = std::string(bytes);
    at += bytes.size();
  }
  const Folder before = p.files;

  const int status = run_program(p, arguments);
  require(p.messages.empty(), kProgramRun, "the run showed a message box");
  if (!builds_in_program_folder(arguments) && p.program_folder() == MemoryPlatform::kProgramFolder) {
    // Refused: the usage status, what was wrong and the usage, and every
    // file as it was.
    require(status == exit_status::usage && p.reports.size() == 2 &&
                p.reports[1] == "Usage: scenario-builder [FOLDER]",
            kProgramRun, "a command line refused without the usage status and lines");
    require(p.files == before && p.writes == 0, kProgramRun, "a refused command line changed a file");
    return;
  }
  // A folder below the program's, named and holding a file, is built into
  // like the program's own; the reference run shows only the program's.
  if (p.program_folder() != MemoryPlatform::kProgramFolder) {
    require(std::any_of(before.begin(), before.end(),
                        [&](const auto& file) { return file.first.parent_path() == p.program_folder(); }),
            kProgramRun, "a run built into a folder that was not there");
    require(status == exit_status::clean || status == exit_status::fatal, kProgramRun,
            [&] { return "status " + std::to_string(status) + " from a run in a folder below"; });
    return;
  }
  const bool fails = p.failing_write >= 1 && p.failing_write <= reference.writes;
  if (fails) {
    require(status == exit_status::fatal, kProgramRun,
            [&] { return "status " + std::to_string(status) + " after a failed write"; });
    // The one line names the file that failed and the system's reason.
    int32_t writes = 0;
    fs::path failed;
    for (const FolderStep& step : reference.steps)
      if (step.write && ++writes == p.failing_write) failed = step.changes[0].file;
    const std::string line = FileError(failed, kInjectedReason).what();
    require(p.reports.size() == 1 && p.reports[0] == line, kProgramRun,
            [&] { return "a failed write not reported as \"" + line + "\""; });
  } else {
    require(status == exit_status::clean && p.reports.empty(), kProgramRun,
            [&] { return "status " + std::to_string(status) + " from the built-in scenario"; });
  }
  // Every file as the run leaves it on an empty folder, up to a failed
  // write (which with the writes after it leaves its old file as it was),
  // and every other file untouched.
  const Folder expected = expected_folder(before, fails ? p.failing_write : 0);
  require(p.files == expected, kProgramRun,
          [&] { return "the folder after the run: " + first_difference(p.files, expected); });
}

std::string program_run_input(uint8_t failing_write,
                              std::span<const std::pair<uint8_t, std::string_view>> files,
                              uint8_t command_line) {
  std::string out(1, '\0');
  out += static_cast<char>((failing_write & 0x1Fu) | (command_line << 5));
  for (const auto& [name, bytes] : files) {
    out += static_cast<char>(name);
    out += static_cast<char>(bytes.size() & 0xFFu);
    out += static_cast<char>((bytes.size() >> 8) & 0xFFu);
    out += bytes;
  }
  return out;
}
