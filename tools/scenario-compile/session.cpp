#include "session.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "app/error_codes.h"
#include "app/form1.h"
#include "private_folder.h"
#include "scenario_names.h"
#include "observer.h"
#include "platform/ansi.h"
#include "platform/system_platform.h"
#include "report.h"
#include "source_checks.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kCompiledLine = 1;  // the line switch of every build

/// Thrown where the build would end the program (a guard): carries the status.
struct BuildEnded {
  int status;
};

/// The platform of one compilation: the program folder is the private copy
/// folder; the message box and reports are kept; the end of the program
/// comes back as an exception.
class PrivatePlatform : public SystemPlatform {
 public:
  explicit PrivatePlatform(const fs::path& folder) : SystemPlatform(folder) {}

  void show_window(const std::string&) override {}
  void message_box(const std::string& text) override { messages.push_back(text); }
  void report(const std::string& riga) override { reports.push_back(riga); }
  [[noreturn]] void end_program(int status) override { throw BuildEnded{status}; }

  std::string read_file(const fs::path& file) override {
    read_values.push_back(file);
    return SystemPlatform::read_file(file);
  }

  std::vector<std::string> messages;
  std::vector<std::string> reports;
  std::vector<fs::path> read_values;
};

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

class Session {
 public:
  Session(const Request& r, std::ostream& messages) : r_(r), out_(messages) {}
  int run();

 private:
  bool check_names();
  bool check_folders();
  bool read_descriptions();
  int compile(PrivateFolder& private_folder);
  int build(Form1& form, PrivatePlatform& platform);
  std::vector<fs::path> compiled(const Form1& form, PrivatePlatform& platform) const;
  int copy_compiled(PrivatePlatform& platform, const std::vector<fs::path>& written);
  std::string author_names(std::string text) const;
  int file_error(const FileError& e) const;
  void refuse(const std::string& message) const {
    out_ << kProgramName << ": error: " << message << '\n';
  }

  const Request& r_;
  std::ostream& out_;
  fs::path output_;
  std::string line_, train_;  ///< Windows-1252
  fs::path line_name_, train_name_;  ///< the two file names, without a folder
  std::string line_text_, train_text_;
  std::vector<std::pair<std::string, std::string>> private_names_;  ///< private path -> author's
  std::vector<Diagnostic> fatal_;  ///< what ended the build, when it did not finish
};

int Session::run() {
  if (!check_names() || !check_folders()) return exit_status::usage;
  try {
    if (!read_descriptions()) return exit_status::usage;
    PrivateFolder private_folder;
    return compile(private_folder);
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

// The author's files are read once, here, and never opened again.
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
  line_text_ = reader.read_file(r_.source / line_name_);
  train_text_ = reader.read_file(r_.source / train_name_);
  return true;
}

int Session::compile(PrivateFolder& private_folder) {
  PrivatePlatform platform(private_folder.percorso());
  platform.replace_file(private_folder.percorso() / line_name_, line_text_);
  platform.replace_file(private_folder.percorso() / train_name_, train_text_);

  Form1 form(platform);
  form.nome_linea = line_;
  form.numero_treno = train_;
  for (const fs::path& nome : {line_name_, train_name_})
    private_names_.emplace_back((private_folder.percorso() / nome).string(), shown(r_.source, nome));
  for (const ScenarioFile compilato : kCompiledFiles)
    private_names_.emplace_back(form.file_name(compilato).string(),
                                shown(output_, form.file_name(compilato).filename()));

  Report report({shown(r_.source, line_name_), split_lines(line_text_)},
                {shown(r_.source, train_name_), split_lines(train_text_)},
                scenario_stem(r_.line, r_.train));
  Observer observer(form, report);
  form.listener = &observer;

  const int status = build(form, platform);
  observer.report_codes(author_names(without_line(form.error_detail)));
  check_sources(report, observer.reading_stops(), line_text_, train_text_);
  if (status != exit_status::clean) {
    for (Diagnostic& d : fatal_) report.add(std::move(d));
    report.write(out_);
    return status;
  }
  const bool train_read = std::find(platform.read_values.begin(), platform.read_values.end(),
                                    private_folder.percorso() / train_name_) != platform.read_values.end();
  if (train_read && lowercase(train_text_).find("[generale]") == std::string::npos)
    // The reader takes nothing before that heading, and finding none is no
    // error to it: the whole train would silently be missing.
    report.add({Severity::warning, 0, DescriptionFile::train, 0, false,
                       "no field holds \"[generale]\": every entry of this file is ignored", {}});
  const std::vector<fs::path> written = compiled(form, platform);
  if (written.empty())
    report.add({Severity::note, 0, std::nullopt, 0, false,
                       "no compiled file was written: the build stopped before the cell grid "
                       "existed",
                       {}});
  report.write(out_);

  if (!r_.check_only) {
    const int copy_status = copy_compiled(platform, written);
    if (copy_status != exit_status::clean) return copy_status;
  }
  return form.codice_errore != 0 || written.empty() ? exit_status::recorded_code
                                                     : exit_status::clean;
}

// The compiled files the build wrote into the private folder, in the order
// it writes them: line data file, service file, grid file.
std::vector<fs::path> Session::compiled(const Form1& form, PrivatePlatform& platform) const {
  std::vector<fs::path> written;
  for (const ScenarioFile compilato : kCompiledFiles) {
    const fs::path file = form.file_name(compilato);
    if (platform.file_exists(file)) written.push_back(file);
  }
  return written;
}

// The build exactly as the main program's driver runs it, minus the text
// writers: the description files are the author's. A guard ends it with its
// numbered message; a file failure ends it with the file's name (the writers
// of the compiled files report a text they cannot hold that way too).
int Session::build(Form1& form, PrivatePlatform& platform) {
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

// The compiled files go from the private folder to the output folder, each
// replaced safely, in the order the build wrote them.
int Session::copy_compiled(PrivatePlatform& platform, const std::vector<fs::path>& written) {
  try {
    for (const fs::path& file : written)
      platform.replace_file(output_ / file.filename(), platform.read_file(file));
  } catch (const FileError& e) {
    return file_error(e);
  }
  return exit_status::clean;
}

std::string Session::author_names(std::string text) const {
  for (const auto& [private_copy, author] : private_names_) text = replace_all(text, private_copy, author);
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
