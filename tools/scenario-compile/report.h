#pragma once
// The author compiler's messages: errors, warnings and notes in the shape
// editors read ("FILE:LINE:COLUMN: error: MESSAGE [code N]"), each followed
// by its source line and a caret with "~" under the rest of the field.

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "compile/compile_listener.h"

enum class Severity { error, warning, note };

/// One message. Texts are UTF-8 except `marked_text`, which is a piece of the
/// source line (Windows-1252) to put the caret under.
struct Diagnostic {
  Severity severity = Severity::error;
  int32_t code = 0;                     ///< a build code, shown as "[code N]"; 0: none
  std::optional<DescriptionFile> file;  ///< none: the run as a whole
  int32_t riga = 0;                     ///< 0: the file as a whole
  bool show_line = true;                ///< false: no source line under the message
  std::string message;
  /// A piece of the line to mark, where no column is given; empty: the
  /// line's first non-blank character.
  std::string marked_text;
  int32_t column = 0;  ///< from 1, in bytes of the line; 0: taken from `marked_text`
  int32_t width = 0;   ///< bytes the mark covers; 0: the field that starts at the column
};

/// A description file as the author knows it: its name (the source folder
/// joined with the file name) and its lines. The content is kept in one
/// piece with where each line lies, not as one string per line: a large
/// file has tens of thousands of lines, and messages show only a few.
class SourceFile {
 public:
  /// `content` is Windows-1252; its lines end as split_lines ends them.
  SourceFile(std::string shown_name, std::string_view content);

  std::string shown_name;  ///< UTF-8
  /// The whole content, Windows-1252.
  std::string_view content() const { return content_; }
  size_t line_count() const { return lines_.size(); }
  /// Where line `index` (from 0) starts in the content.
  size_t line_start(size_t index) const { return lines_[index].start; }
  /// Line `index` (from 0), without its line end.
  std::string_view line(size_t index) const {
    return std::string_view(content_).substr(lines_[index].start, lines_[index].size);
  }

 private:
  struct Span {
    size_t start;
    size_t size;
  };
  std::string content_;
  std::vector<Span> lines_;
};

/// The lines of a file's content; CR LF, LF alone and CR alone each end a
/// line, as for the field reader, so line numbers agree with it.
std::vector<std::string> split_lines(std::string_view content);
/// The same lines as views into `content`, which must outlive them.
std::vector<std::string_view> split_line_views(std::string_view content);

/// What messages that concern no file are signed with.
inline constexpr std::string_view kProgramName = "scenario-compile";

/// "1 error, 0 warnings", "2 errors, 1 warning": English plurals, both
/// counts always given.
std::string summary_line(size_t errors, size_t warnings);

class Report {
 public:
  /// `scenario` (UTF-8, line name + "_" + train number) names the build in
  /// messages that concern no file.
  Report(SourceFile line, SourceFile train, std::string scenario);

  void add(Diagnostic d);
  const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
  std::vector<Diagnostic>& diagnostics() { return diagnostics_; }
  const SourceFile& file(DescriptionFile f) const { return file_[index(f)]; }
  const std::string& scenario() const { return scenario_; }
  bool has_errors() const;
  size_t count(Severity s) const;

  /// Every message, the line description's first, then the train
  /// description's, each file's in the order of its lines (messages of one
  /// line in the order they were added), then those that concern no file;
  /// then the summary line when there is any message.
  void write(std::ostream& output) const;
  /// One message: its head line, then the source line and the caret when it
  /// points at a line that exists.
  void write(std::ostream& output, const Diagnostic& d) const;

 private:
  static size_t index(DescriptionFile f) { return f == DescriptionFile::line ? 0 : 1; }

  std::array<SourceFile, 2> file_;
  std::string scenario_;
  std::vector<Diagnostic> diagnostics_;
};
