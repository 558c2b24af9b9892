#include "report.h"

#include <algorithm>

#include "platform/ansi.h"

namespace {

// Calls `line(start, size)` for every line of `content`: CR LF, LF and CR
// alone each end a line, and a last line without a line end still counts.
template <class LineFound>
void for_each_line(std::string_view content, LineFound line) {
  size_t start = 0;
  for (size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != '\r' && c != '\n') continue;
    line(start, i - start);
    if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) line(start, content.size() - start);
}

}  // namespace

std::vector<std::string_view> split_line_views(std::string_view content) {
  std::vector<std::string_view> lines;
  for_each_line(content,
                [&](size_t start, size_t size) { lines.push_back(content.substr(start, size)); });
  return lines;
}

std::vector<std::string> split_lines(std::string_view content) {
  const std::vector<std::string_view> views = split_line_views(content);
  return {views.begin(), views.end()};
}

// The lines kept as places in the text, not as views of their own.
SourceFile::SourceFile(std::string shown, std::string_view content)
    : shown_name(std::move(shown)), content_(content) {
  for_each_line(content_, [this](size_t start, size_t size) { lines_.push_back({start, size}); });
}

std::string summary_line(size_t errors, size_t warnings) {
  const auto counted = [](size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
  };
  return counted(errors, "error") + ", " + counted(warnings, "warning");
}

Report::Report(SourceFile line, SourceFile train, std::string scenario)
    : file_{std::move(line), std::move(train)}, scenario_(std::move(scenario)) {}

void Report::add(Diagnostic d) { diagnostics_.push_back(std::move(d)); }

bool Report::has_errors() const { return count(Severity::error) > 0; }

size_t Report::count(Severity s) const {
  return static_cast<size_t>(std::count_if(diagnostics_.begin(), diagnostics_.end(),
                                           [s](const Diagnostic& d) { return d.severity == s; }));
}

void Report::write(std::ostream& output) const {
  // Line description, train description, then the run as a whole.
  const auto rank = [](const Diagnostic& d) {
    return std::pair<size_t, int32_t>(d.file ? index(*d.file) : 2, d.riga);
  };
  std::vector<const Diagnostic*> ordered;
  for (const Diagnostic& d : diagnostics_) ordered.push_back(&d);
  std::stable_sort(ordered.begin(), ordered.end(), [&](const Diagnostic* a, const Diagnostic* b) {
    return rank(*a) < rank(*b);
  });
  for (const Diagnostic* d : ordered) write(output, *d);
  if (!diagnostics_.empty())
    output << summary_line(count(Severity::error), count(Severity::warning)) << '\n';
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

bool is_blank(char c) { return c == ' ' || c == '\t'; }

/// Column (from 1) of the message's mark: the one given, else where
/// `marked_text` stands in the line, else the line's first non-blank
/// character.
size_t mark_column(std::string_view riga, const Diagnostic& d) {
  if (d.column > 0) return static_cast<size_t>(d.column);
  size_t at = d.marked_text.empty() ? std::string_view::npos : riga.find(d.marked_text);
  if (at == std::string_view::npos) at = riga.find_first_not_of(" \t");
  if (at == std::string_view::npos) at = 0;
  return at + 1;
}

/// How many bytes of the line the field at `from` (from 0) takes: a quoted
/// text to its closing quote, a number to the next blank, any other text to
/// the next comma without its trailing blanks; at least one.
size_t field_width(std::string_view riga, size_t from) {
  if (from >= riga.size()) return 1;
  size_t end = from;
  if (riga[from] == '"') {
    end = riga.find('"', from + 1);
    end = end == std::string_view::npos ? riga.size() : end + 1;
  } else {
    const char first = riga[from];
    const bool number = (first >= '0' && first <= '9') || first == '-' || first == '+';
    while (end < riga.size() && riga[end] != ',' && !(number && is_blank(riga[end]))) ++end;
    while (end > from && is_blank(riga[end - 1])) --end;
  }
  return std::max<size_t>(end - from, 1);
}

// The caret stands under the first byte of the mark, "~" under the rest.
// Tabs before it are kept, so it lines up in a terminal whatever the tab
// width. A mark past the line's end stands just after its last byte.
std::string caret_line(std::string_view riga, const Diagnostic& d) {
  const size_t from = std::min(mark_column(riga, d) - 1, riga.size());
  size_t width = d.width > 0 ? static_cast<size_t>(d.width)
                             : (d.column == 0 && !d.marked_text.empty() &&
                                        riga.compare(from, d.marked_text.size(), d.marked_text) == 0
                                    ? d.marked_text.size()
                                    : field_width(riga, from));
  width = std::max<size_t>(std::min(width, riga.size() > from ? riga.size() - from : 1), 1);
  std::string text;
  for (size_t i = 0; i < from; ++i) text += riga[i] == '\t' ? '\t' : ' ';
  text += '^';
  text.append(width - 1, '~');
  return text;
}

}  // namespace

// A message that concerns a file as a whole points at its first line, so
// that an editor still opens the file; one that concerns no file is signed
// with the program's name.
void Report::write(std::ostream& output, const Diagnostic& d) const {
  const SourceFile* f = d.file ? &file_[index(*d.file)] : nullptr;
  const bool has_line = f && d.riga > 0 && static_cast<size_t>(d.riga) <= f->line_count();
  const std::string_view riga = has_line ? f->line(static_cast<size_t>(d.riga) - 1) : "";
  if (f) {
    const int32_t line_number = d.riga > 0 ? d.riga : 1;
    const size_t column = has_line ? mark_column(riga, d) : (d.column > 0 ? d.column : 1);
    output << f->shown_name << ':' << line_number << ':' << column << ": ";
  } else {
    output << kProgramName << ": ";
  }
  output << word(d.severity) << ": " << d.message;
  if (d.code != 0) output << " [code " << d.code << ']';
  output << '\n';
  if (!has_line || !d.show_line) return;
  output << cp1252_to_utf8(riga) << '\n' << caret_line(riga, d) << '\n';
}
