#pragma once
// The author compiler's messages: errors, warnings and notes, each pointing
// at a line of a description file in the shape editors jump to
// ("FILE:LINE: error ..."), followed by the source line and a caret.

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
  int32_t code = 0;                     ///< an error's code, shown after "error"; 0: none
  std::optional<DescriptionFile> file;  ///< none: the scenario as a whole
  int32_t riga = 0;                     ///< 0: the file as a whole
  bool show_line = true;                ///< false: no source line under the message
  std::string message;
  std::string marked_text;  ///< empty: the caret goes under the line's first character
};

/// A description file as the author knows it: its name (the source folder
/// joined with the file name) and its lines.
struct SourceFile {
  std::string shown_name;           ///< UTF-8
  std::vector<std::string> lines;   ///< Windows-1252, without their line ends
};

/// The lines of a file's content; CR LF, LF alone and CR alone each end a
/// line, as for the field reader, so line numbers agree with it.
std::vector<std::string> split_lines(std::string_view content);

class Report {
 public:
  /// `scenario` (UTF-8, line name + "_" + train number) names messages that
  /// concern no file.
  Report(SourceFile line, SourceFile train, std::string scenario);

  void add(Diagnostic d);
  const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
  const SourceFile& file(DescriptionFile f) const { return file_[index(f)]; }
  bool has_errors() const;

  /// Every message in the order it was added.
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
