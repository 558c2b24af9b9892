#include "report.h"

#include <algorithm>

#include "platform/ansi.h"

std::vector<std::string> split_lines(std::string_view content) {
  std::vector<std::string> lines;
  std::string riga;
  for (size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      lines.push_back(std::move(riga));
      riga.clear();
    } else {
      riga += c;
    }
  }
  if (!riga.empty()) lines.push_back(std::move(riga));
  return lines;
}

Report::Report(SourceFile line, SourceFile train, std::string scenario)
    : file_{std::move(line), std::move(train)}, scenario_(std::move(scenario)) {}

void Report::add(Diagnostic d) { diagnostics_.push_back(std::move(d)); }

bool Report::has_errors() const {
  return std::any_of(diagnostics_.begin(), diagnostics_.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::error; });
}

void Report::write(std::ostream& output) const {
  for (const Diagnostic& d : diagnostics_) write(output, d);
}

namespace {

const char* word(Severity g) {
  switch (g) {
    case Severity::error:
      return "error";
    case Severity::warning:
      return "warning";
    case Severity::note:
      return "note";
  }
  return "error";
}

// The caret stands under the first character of `marked_text` in the line, or
// under the line's first non-blank character. Tabs before it are kept, so it
// lines up in a terminal whatever the tab width.
std::string caret_line(const std::string& riga, const std::string& marked_text) {
  size_t column = marked_text.empty() ? std::string::npos : riga.find(marked_text);
  if (column == std::string::npos) column = riga.find_first_not_of(" \t");
  if (column == std::string::npos) column = 0;
  std::string blanks;
  for (size_t i = 0; i < column; ++i) blanks += riga[i] == '\t' ? '\t' : ' ';
  return blanks + "^";
}

}  // namespace

void Report::write(std::ostream& output, const Diagnostic& d) const {
  const SourceFile* f = d.file ? &file_[index(*d.file)] : nullptr;
  output << (f ? f->shown_name : scenario_);
  if (f && d.riga > 0) output << ':' << d.riga;
  output << ": " << word(d.severity);
  if (d.code != 0) output << ' ' << d.code;
  output << ": " << d.message << '\n';
  if (!f || !d.show_line || d.riga <= 0 || static_cast<size_t>(d.riga) > f->lines.size()) return;
  const std::string& riga = f->lines[static_cast<size_t>(d.riga) - 1];
  output << cp1252_to_utf8(riga) << '\n' << caret_line(riga, d.marked_text) << '\n';
}
