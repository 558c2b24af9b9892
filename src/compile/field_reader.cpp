#include "compile/field_reader.h"

#include <algorithm>
#include <charconv>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string shown(std::string_view token) {
  return token.empty() ? "an empty field" : "\"" + std::string(token) + "\"";
}

constexpr NumberWidth kInt32Field{INT32_MIN, INT32_MAX, "a signed 32-bit field"};
constexpr NumberWidth kInt16Field{INT16_MIN, INT16_MAX, "a signed 16-bit field"};
constexpr NumberWidth kUint8Field{0, UINT8_MAX, "an unsigned 8-bit field"};

/// The value of a field that was read, or ReadFailure.
template <class T>
T or_throw(FieldRead<T>&& read) {
  if (!read.ok()) throw ReadFailure(read.failure());
  return std::move(read.value());
}

/// A number read as the width it was checked against.
template <class T>
FieldRead<T> narrowed(const FieldRead<int64_t>& read) {
  if (!read.ok()) return read.failure();
  return static_cast<T>(read.value());
}

}  // namespace

std::string FieldFailure::message() const {
  switch (problem) {
    case FieldProblem::none: return {};
    case FieldProblem::end_of_file: return "the file ends where a field was expected";
    case FieldProblem::not_a_number: return "expected a number, found " + shown(token);
    case FieldProblem::too_wide:
      return std::string(token) + " does not fit " + std::string(width->name) + " (" +
             std::to_string(width->minimum) + " to " + std::to_string(width->maximum) + ")";
  }
  return {};
}

FieldReader::FieldReader(std::string content, int32_t first_line)
    : text_(std::move(content)), line_(first_line) {}

// The line and its start at the field's end are those the reading had
// counted, line end by line end, as far as there.
FieldReader::FieldReader(std::string content, const ReadField& after)
    : text_(std::move(content)),
      field_line_(after.riga),
      field_column_(after.column),
      field_end_column_(after.end_column) {
  const size_t stop = std::min<size_t>(after.next, text_.size());
  while (pos_ < stop) {
    if (at_line_end())
      consume_line_end();
    else
      ++pos_;
  }
}

void FieldReader::keep_log(std::vector<ReadField>* log) {
  const bool addressable = text_.size() <= UINT32_MAX && pos_ == 0 && line_ == 1;
  log_ = addressable ? log : nullptr;
  // A field takes some bytes of the content: a field for every four is
  // room enough for a description file, and the room never filled costs
  // no memory.
  if (log_) log_->reserve(log_->size() + text_.size() / 4 + 1);
}

void FieldReader::log_field(FieldReadKind kind, int32_t number, size_t text_start,
                            size_t text_size) {
  log_->push_back({static_cast<uint32_t>(pos_), static_cast<uint32_t>(text_start),
                   static_cast<uint32_t>(text_size), number, field_line_, field_column_,
                   field_end_column_, kind});
}

void FieldReader::skip_blanks() {
  while (!end_of_file() && is_blank(peek())) ++pos_;
}

bool FieldReader::at_line_end() const {
  return !end_of_file() && (peek() == '\r' || peek() == '\n');
}

// CR LF, LF alone and CR alone all end a line.
void FieldReader::consume_line_end() {
  if (peek() == '\r') {
    ++pos_;
    if (!end_of_file() && peek() == '\n') ++pos_;
  } else {
    ++pos_;
  }
  ++line_;
  line_start_ = pos_;
}

int32_t FieldReader::current_column() const {
  return static_cast<int32_t>(std::min<size_t>(pos_ - line_start_ + 1, INT32_MAX));
}

FieldFailure FieldReader::end_of_file_failure() const {
  FieldFailure failure;
  failure.problem = FieldProblem::end_of_file;
  failure.line = line_;
  failure.column = current_column();
  return failure;
}

bool FieldReader::start_field() {
  if (end_of_file()) return false;
  skip_blanks();
  field_line_ = line_;
  field_column_ = current_column();
  return true;
}

FieldRead<std::string> FieldReader::try_read_text() {
  if (!start_field()) {
    log_ = nullptr;  // the log ends at the first field that cannot be read
    return end_of_file_failure();
  }
  std::string field;
  size_t text_start = 0;
  if (!end_of_file() && peek() == '"') {
    ++pos_;
    // A quoted text keeps its line ends as they stand; they still count
    // as lines of the file.
    const size_t begin = pos_;
    while (!end_of_file() && peek() != '"') {
      if (at_line_end())
        consume_line_end();
      else
        ++pos_;
    }
    field.assign(text_, begin, pos_ - begin);
    text_start = begin;
    if (!end_of_file()) ++pos_;  // the closing quote
    field_end_column_ = current_column();
    // Whatever stands between the closing quote and the separator is dropped.
    while (!end_of_file() && peek() != ',' && !at_line_end()) ++pos_;
  } else {
    const size_t begin = pos_;
    while (!end_of_file() && peek() != ',' && !at_line_end()) ++pos_;
    // Blanks at the end of an unquoted text are not part of it: they cannot
    // be seen in the file, and a number field drops them too.
    size_t end = pos_;
    while (end > begin && is_blank(text_[end - 1])) --end;
    field.assign(text_, begin, end - begin);
    text_start = begin;
    field_end_column_ = static_cast<int32_t>(
        std::min<int64_t>(int64_t{field_column_} + static_cast<int64_t>(field.size()), INT32_MAX));
  }
  if (!end_of_file()) {
    if (peek() == ',')
      ++pos_;
    else
      consume_line_end();
  }
  if (log_) log_field(FieldReadKind::text, 0, text_start, field.size());
  return field;
}

FieldRead<int64_t> FieldReader::read_number(const NumberWidth& width) {
  if (!start_field()) return end_of_file_failure();
  const size_t begin = pos_;
  while (!end_of_file() && !is_blank(peek()) && peek() != ',' && !at_line_end()) ++pos_;
  const std::string_view token(text_.data() + begin, pos_ - begin);
  field_end_column_ = current_column();
  skip_blanks();
  if (!end_of_file()) {
    if (peek() == ',')
      ++pos_;
    else if (at_line_end())
      consume_line_end();
  }
  if (token.empty()) return int64_t{0};

  std::string_view digits = token;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  FieldFailure failure;
  failure.line = field_line_;
  failure.column = field_column_;
  failure.token = token;
  failure.width = &width;
  if (digits.empty() || ec == std::errc::invalid_argument || end != digits.data() + digits.size()) {
    failure.problem = FieldProblem::not_a_number;
    return failure;
  }
  const bool fits = ec == std::errc{} &&
                    (negative ? magnitude <= static_cast<uint64_t>(-width.minimum)
                              : magnitude <= static_cast<uint64_t>(width.maximum));
  if (!fits) {
    failure.problem = FieldProblem::too_wide;
    return failure;
  }
  return negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

template <class T>
FieldRead<T> FieldReader::read_logged(const NumberWidth& width, FieldReadKind kind) {
  FieldRead<T> read = narrowed<T>(read_number(width));
  if (!read.ok())
    log_ = nullptr;  // the log ends at the first field that cannot be read
  else if (log_)
    log_field(kind, read.value(), 0, 0);
  return read;
}

FieldRead<int32_t> FieldReader::try_read_int32() {
  return read_logged<int32_t>(kInt32Field, FieldReadKind::int32);
}
FieldRead<int16_t> FieldReader::try_read_int16() {
  return read_logged<int16_t>(kInt16Field, FieldReadKind::int16);
}
FieldRead<uint8_t> FieldReader::try_read_uint8() {
  return read_logged<uint8_t>(kUint8Field, FieldReadKind::uint8);
}

std::string FieldReader::read_text() { return or_throw(try_read_text()); }
int32_t FieldReader::read_int32() { return or_throw(try_read_int32()); }
int16_t FieldReader::read_int16() { return or_throw(try_read_int16()); }
uint8_t FieldReader::read_uint8() { return or_throw(try_read_uint8()); }
