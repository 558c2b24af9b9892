#include "compile/field_reader.h"

#include <algorithm>
#include <charconv>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string shown(std::string_view token) {
  return token.empty() ? "an empty field" : "\"" + std::string(token) + "\"";
}

}  // namespace

FieldReader::FieldReader(std::string content, int32_t first_line)
    : text_(std::move(content)), line_(first_line) {}

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

void FieldReader::start_field() {
  if (end_of_file())
    throw ReadFailure(line_, current_column(), "the file ends where a field was expected");
  skip_blanks();
  field_line_ = line_;
  field_column_ = current_column();
}

std::string FieldReader::read_text() {
  start_field();
  std::string field;
  if (!end_of_file() && peek() == '"') {
    ++pos_;
    while (!end_of_file() && peek() != '"') {
      if (at_line_end()) {
        const size_t before = pos_;
        consume_line_end();
        field.append(text_, before, pos_ - before);
      } else {
        field += text_[pos_++];
      }
    }
    if (!end_of_file()) ++pos_;  // the closing quote
    field_end_column_ = current_column();
    // Whatever stands between the closing quote and the separator is dropped.
    while (!end_of_file() && peek() != ',' && !at_line_end()) ++pos_;
  } else {
    while (!end_of_file() && peek() != ',' && !at_line_end()) field += text_[pos_++];
    // Blanks at the end of an unquoted text are not part of it: they cannot
    // be seen in the file, and a number field drops them too.
    while (!field.empty() && is_blank(field.back())) field.pop_back();
    field_end_column_ = static_cast<int32_t>(
        std::min<int64_t>(int64_t{field_column_} + static_cast<int64_t>(field.size()), INT32_MAX));
  }
  if (!end_of_file()) {
    if (peek() == ',')
      ++pos_;
    else
      consume_line_end();
  }
  return field;
}

int64_t FieldReader::read_number(int64_t minimo, int64_t maximum, std::string_view width) {
  start_field();
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
  if (token.empty()) return 0;

  std::string_view digits = token;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (digits.empty() || ec == std::errc::invalid_argument || end != digits.data() + digits.size())
    throw ReadFailure(field_line_, field_column_, "expected a number, found " + shown(token));
  const bool fits = ec == std::errc{} &&
                    (negative ? magnitude <= static_cast<uint64_t>(-minimo)
                              : magnitude <= static_cast<uint64_t>(maximum));
  if (!fits)
    throw ReadFailure(field_line_, field_column_, std::string(token) + " does not fit " + std::string(width) +
                                       " (" + std::to_string(minimo) + " to " +
                                       std::to_string(maximum) + ")");
  return negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

int32_t FieldReader::read_int32() {
  return static_cast<int32_t>(read_number(INT32_MIN, INT32_MAX, "a signed 32-bit field"));
}

int16_t FieldReader::read_int16() {
  return static_cast<int16_t>(read_number(INT16_MIN, INT16_MAX, "a signed 16-bit field"));
}

uint8_t FieldReader::read_uint8() {
  return static_cast<uint8_t>(read_number(0, UINT8_MAX, "an unsigned 8-bit field"));
}
