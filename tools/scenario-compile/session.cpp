#include "session.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "app/error_codes.h"
#include "app/form1.h"
#include "in_place_platform.h"
#include "scenario_names.h"
#include "observer.h"
#include "output/scenario_files.h"
#include "platform/ansi.h"
#include "platform/system_platform.h"
#include "report.h"
#include "source_checks.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kCompiledLine = 1;  // the line switch of every build

std::string shown(const fs::path& folder, const fs::path& nome) {
  return (folder / nome).lexically_normal().string();
}

std::string replace_all(std::string text, const std::string& from, const std::string& a) {
  if (from.empty()) return text;
  for (size_t i = text.find(from); i != std::string::npos; i = text.find(from, i + a.size()))
    text.replace(i, from.size(), a);
  return text;
}

// "line 12: expected a number" -> "expected a number": the message already
// points at the line.
std::string without_line(std::string detail) {
  if (detail.rfind("line ", 0) != 0) return detail;
  size_t i = 5;
  while (i < detail.size() && detail[i] >= '0' && detail[i] <= '9') ++i;
  if (i == 5 || detail.compare(i, 2, ": ") != 0) return detail;
  return detail.substr(i + 2);
}

std::string counted(size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

constexpr char kHex[] = "0123456789ABCDEF";

std::string hex_bytes(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    text += std::string(text.empty() ? "" : " ") + "0x" + kHex[b >> 4] + kHex[b & 0xF];
  }
  return text;
}

std::string code_point_text(char32_t cp) {
  std::string digits;
  for (; cp != 0 || digits.size() < 4; cp >>= 4) digits.insert(digits.begin(), kHex[cp & 0xF]);
  return "U+" + digits;
}

// What one character that cannot be converted is, in words.
std::string unconverted_text(const UnconvertedCharacter& c, bool from_utf8) {
  if (!from_utf8)
    return "byte " + hex_bytes(c.bytes) +
           " is not a Windows-1252 character (the file is read as Windows-1252)";
  if (c.valid_utf8)
    return "\"" + c.bytes + "\" (" + code_point_text(c.code_point) +
           ") has no Windows-1252 form, the code page of the compiled files";
  return (c.bytes.size() == 1 ? "byte " : "bytes ") + hex_bytes(c.bytes) +
         (c.bytes.size() == 1 ? " is" : " are") + " not UTF-8 text";
}

// Whether a field of `text` could hold "[generale]" in any case, as
// lowercase(text).find("[generale]") tells: the heading is ASCII, and no
// byte but an ASCII capital lowers to an ASCII letter, so comparing the
// ASCII letters case ignored finds the same, without a lowered copy.
bool holds_general_heading(std::string_view text) {
  constexpr std::string_view kHeading = "[generale]";
  const auto lowered = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t at = text.find('['); at != std::string_view::npos; at = text.find('[', at + 1)) {
    if (text.size() - at < kHeading.size()) return false;
    size_t i = 1;
    while (i < kHeading.size() && lowered(text[at + i]) == kHeading[i]) ++i;
    if (i == kHeading.size()) return true;
  }
  return false;
}

class Session {
 public:
  Session(const Request& r, std::ostream& messages) : r_(r), out_(messages) {}
  int run();

 private:
  bool check_names();
  bool check_folders();
  bool read_descriptions();
  void report_encoding(Report& report, DescriptionFile file, const DecodedText& decoded) const;
  int compile();
  int build(Form1& form, InPlacePlatform& platform);
  void stage_line_data();
  bool may_write();
  void settle();
  int outcome() const;
  size_t warnings() const;
  std::string author_names(std::string text) const;
  int file_error(const FileError& e) const;
  void refuse(const std::string& message) const {
    out_ << kProgramName << ": error: " << message << '\n';
  }
  void note(std::string message) {
    report_->add({Severity::note, 0, std::nullopt, 0, false, std::move(message), {}});
  }

  const Request& r_;
  std::ostream& out_;
  fs::path output_;
  std::string line_, train_;  ///< Windows-1252
  fs::path line_name_, train_name_;  ///< the two file names, without a folder
  DecodedText line_text_, train_text_;
  std::vector<std::pair<std::string, std::string>> build_names_;  ///< as the build names a file -> as shown
  std::vector<Diagnostic> fatal_;  ///< what ended the build, when it did not finish

  // The build under way, for the decision to write.
  std::optional<Report> report_;
  Form1* form_ = nullptr;
  InPlacePlatform* platform_ = nullptr;
  Observer* observer_ = nullptr;
  bool settled_ = false;
  std::string withheld_;  ///< why the build's files were not written
};

int Session::run() {
  if (!check_names() || !check_folders()) return exit_status::usage;
  try {
    if (!read_descriptions()) return exit_status::usage;
    return compile();
  } catch (const FileError& e) {
    return file_error(e);
  }
}

bool Session::check_names() {
  const auto line = check_name(r_.line, "line name");
  const auto train = check_name(r_.train, "train number");
  for (const auto* outcome : {&line, &train})
    if (const auto* no = std::get_if<RejectedName>(outcome)) refuse("bad " + no->reason);
  if (!std::holds_alternative<std::string>(line) || !std::holds_alternative<std::string>(train))
    return false;
  line_ = std::get<std::string>(line);
  train_ = std::get<std::string>(train);
  line_name_ = file_in_folder({}, scenario_file_name(ScenarioFile::line_description, line_, train_));
  train_name_ = file_in_folder({}, scenario_file_name(ScenarioFile::train_description, line_, train_));
  return true;
}

bool Session::check_folders() {
  std::error_code ec;
  if (!fs::is_directory(r_.source, ec)) {
    refuse(r_.source.string() + ": no such source folder");
    return false;
  }
  output_ = r_.output.value_or(r_.source);
  if (!r_.check_only && !fs::is_directory(output_, ec)) {
    refuse(output_.string() + ": no such output folder");
    return false;
  }
  return true;
}

// The author's files are read once, here, and never opened again: the
// build reads the text they gave, converted to Windows-1252 as asked.
bool Session::read_descriptions() {
  bool present = true;
  for (const fs::path& nome : {line_name_, train_name_}) {
    std::error_code ec;
    if (!fs::is_regular_file(r_.source / nome, ec)) {
      refuse(shown(r_.source, nome) + ": no such description file");
      present = false;
    }
  }
  if (!present) return false;
  SystemPlatform reader(r_.source);
  line_text_ = decode_text(reader.read_file(r_.source / line_name_), r_.encoding);
  train_text_ = decode_text(reader.read_file(r_.source / train_name_), r_.encoding);
  return true;
}

// A file found to be UTF-8 gets one warning; each line holding characters
// that cannot be converted gets one error, with the caret under the first
// of them (each stands in the line as kUnconvertedByte).
void Session::report_encoding(Report& report, DescriptionFile file,
                              const DecodedText& decoded) const {
  if (decoded.from_utf8 && r_.encoding == TextEncoding::detect)
    report.add({Severity::warning, 0, file, 0, false,
                "read as UTF-8 and converted to Windows-1252, the code page of the compiled "
                "files (--encoding utf-8 reads it so without this warning)",
                {}});
  const SourceFile& source = report.file(file);
  size_t next = 0;  // the first unconverted character of the line
  for (size_t i = 0; i < source.line_count() && next < decoded.unconverted.size(); ++i) {
    const std::string_view line = source.line(i);
    const auto here = static_cast<size_t>(std::count(line.begin(), line.end(), kUnconvertedByte));
    if (here == 0) continue;
    std::string message = unconverted_text(decoded.unconverted[next], decoded.from_utf8);
    if (here > 1) message += " (and " + counted(here - 1, "more character") + " on this line)";
    report.add({Severity::error, 0, file, static_cast<int32_t>(i + 1), true, std::move(message),
                std::string(1, kUnconvertedByte)});
    next += here;
  }
}

int Session::compile() {
  report_.emplace(SourceFile{shown(r_.source, line_name_), line_text_.text},
                  SourceFile{shown(r_.source, train_name_), train_text_.text},
                  scenario_stem(r_.line, r_.train));
  Report& report = *report_;
  report_encoding(report, DescriptionFile::line, line_text_);
  report_encoding(report, DescriptionFile::train, train_text_);
  if (report.has_errors()) {
    note(std::string(r_.check_only ? "not compiled" : "not compiled, nothing written") +
         ": a description file holds text that cannot be converted to Windows-1252");
    report.write(out_);
    return exit_status::recorded_code;
  }

  InPlacePlatform platform(output_, [this] { return may_write(); });
  Form1 form(platform);
  form.nome_linea = line_;
  form.numero_treno = train_;
  form_ = &form;
  platform_ = &platform;
  const fs::path line_file = form.file_name(ScenarioFile::line_description);
  const fs::path train_file = form.file_name(ScenarioFile::train_description);
  platform.add_description(line_file, std::move(line_text_.text));
  platform.add_description(train_file, std::move(train_text_.text));
  build_names_ = {{line_file.string(), shown(r_.source, line_name_)},
                  {train_file.string(), shown(r_.source, train_name_)}};
  for (const ScenarioFile compilato : kCompiledFiles)
    build_names_.emplace_back(form.file_name(compilato).string(),
                              shown(output_, form.file_name(compilato).filename()));

  Observer observer(form, report);
  form.listener = &observer;
  observer_ = &observer;
  observer.when_plan_complete = [this] { stage_line_data(); };
  // The line data file staged early reads the form's plan: it is done with
  // before the form goes, whatever ends the build.
  struct EarlyStageEnd {
    InPlacePlatform& platform;
    ~EarlyStageEnd() { platform.discard_early(); }
  } early_stage_end{platform};

  const int status = build(form, platform);
  settle();
  if (status != exit_status::clean) {
    for (Diagnostic& d : fatal_) report.add(std::move(d));
    report.write(out_);
    return status;
  }
  if (platform.handed_over().empty())
    note("no compiled file was written: the build stopped before the cell grid existed");
  else if (!withheld_.empty())
    note("nothing written: " + withheld_);
  report.write(out_);
  return outcome();
}

// The build exactly as the main program's driver runs it, minus the text
// writers: the description files are the author's. A guard ends it with its
// numbered message; a file failure ends it with the file's name (the writers
// of the compiled files report a text they cannot hold that way too).
int Session::build(Form1& form, InPlacePlatform& platform) {
  try {
    form.memorizza_percorso(kCompiledLine);
    return exit_status::clean;
  } catch (const BuildEnded& fine) {
    // A guard: its numbered message box, told by the code's meaning.
    for (const std::string& box : platform.messages) {
      const size_t digits = box.find_first_of("0123456789");
      const int32_t code = digits == std::string::npos ? 0 : std::atoi(box.c_str() + digits);
      const ErrorCode* row = find_code(code);
      fatal_.push_back({Severity::error, row ? code : 0, std::nullopt, 0, false,
                        row ? row->meaning : box, {}});
    }
    fatal_.push_back(
        {Severity::note, 0, std::nullopt, 0, false, "no compiled file was written", {}});
    return fine.status;
  } catch (const FileError& e) {
    fatal_.push_back(
        {Severity::error, 0, std::nullopt, 0, false, author_names(e.what()), {}});
  }
  return exit_status::fatal;
}

// The line data file, the bulk of the bytes, needs only the plan: once the
// plan is complete it is written to its temporary file beside the old one
// while the train is compiled and the files checked, and takes its name
// only if the decision to write allows it. Nothing is staged when the files
// cannot be written whatever the checks find.
void Session::stage_line_data() {
  if (r_.check_only || (form_->codice_errore != 0 && !r_.write_on_error)) return;
  platform_->stage_early(form_->file_name(ScenarioFile::line_data),
                         std::make_unique<LineDataPieces>(form_->tracciato));
}

// The messages of the reading and of the grid scan: every code the build
// recorded, what the checks of both files find (past the point where the
// build stopped too), then what concerns a file as a whole. All are known once the
// build hands over its files, and are added then, before the decision to
// write, so that the decision (and --strict) sees them; a build that hands
// over nothing settles when it ends.
void Session::settle() {
  if (settled_) return;
  settled_ = true;
  observer_->report_codes(author_names(without_line(form_->error_detail)));
  const fs::path train_file = form_->file_name(ScenarioFile::train_description);
  check_sources(*report_, observer_->reading_stops());
  observer_->forget_fields();  // before the writes: the peak of a run is theirs
  // No line holds the heading exactly when the whole text does not: the
  // heading holds no line end.
  if (platform_->was_read(train_file) &&
      !holds_general_heading(platform_->description_text(train_file)))
    // The reader takes nothing before that heading, and finding none is no
    // error to it: the whole train would silently be missing.
    report_->add({Severity::warning, 0, DescriptionFile::train, 0, false,
                  "no field holds \"[generale]\": every entry of this file is ignored", {}});
}

// Asked when the build hands over its compiled files, every code and
// warning of the build known: a failed build leaves the output folder as
// it was, so that a good earlier build is never lost to a broken one.
bool Session::may_write() {
  settle();
  if (r_.check_only) return false;
  if (r_.write_on_error) return true;
  if (form_->codice_errore != 0 || report_->has_errors())
    withheld_ = "the build recorded an error code (--write-on-error writes the files all the same)";
  else if (r_.strict && warnings() > 0)
    withheld_ = counted(warnings(), "warning") + ", and --strict fails a run on any warning";
  return withheld_.empty();
}

size_t Session::warnings() const {
  const std::vector<Diagnostic>& all = report_->diagnostics();
  return static_cast<size_t>(std::count_if(all.begin(), all.end(), [](const Diagnostic& d) {
    return d.severity == Severity::warning;
  }));
}

int Session::outcome() const {
  const bool failed = form_->codice_errore != 0 || report_->has_errors() ||
                      platform_->handed_over().empty() || (r_.strict && warnings() > 0);
  return failed ? exit_status::recorded_code : exit_status::clean;
}

std::string Session::author_names(std::string text) const {
  for (const auto& [as_built, author] : build_names_) text = replace_all(text, as_built, author);
  return text;
}

int Session::file_error(const FileError& e) const {
  out_ << kProgramName << ": error: " << author_names(e.what()) << '\n';
  return exit_status::fatal;
}

}  // namespace

int compile_scenario(const Request& request, std::ostream& messages) {
  return Session(request, messages).run();
}
