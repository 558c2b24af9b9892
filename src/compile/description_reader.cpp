#include "compile/description_reader.h"

#include "app/form1.h"

DescriptionReader::DescriptionReader(Form1& form, DescriptionFile file, std::string content)
    : f_(form), reader_(std::move(content)), file_(file) {
  if (f_.listener) reader_.keep_log(f_.listener->field_log(file));
}

bool DescriptionReader::find_general(bool last_field_may_open) {
  while (!reader_.end_of_file()) {
    const std::string field = read_key();
    const bool last = reader_.end_of_file();
    if ((last_field_may_open || !last) && contains(lowercase(field), "[generale]")) return true;
    drop(field, ReadingSection::before_general);
  }
  return false;
}

std::optional<std::string> DescriptionReader::next_key(int comment_steps, bool end_stops_skip,
                                                       ReadingSection section) {
  std::string key = read_key();
  if (reader_.end_of_file()) {
    drop(key, section);
    return std::nullopt;
  }
  for (int step = 0; step < comment_steps && contains(key, "-"); ++step) {
    key = read_key();
    if (end_stops_skip && reader_.end_of_file()) {
      drop(key, section);
      return std::nullopt;
    }
  }
  return key;
}

std::string DescriptionReader::read_key() {
  std::string key = reader_.read_text();
  key_line_ = reader_.riga();
  f_.riga = key;
  f_.source = {file_, key_line_, false, reader_.column()};
  return key;
}

void DescriptionReader::drop(const std::string& key, ReadingSection section) {
  if (f_.listener) f_.listener->key_dropped(file_, key_line_, section, key);
}

void DescriptionReader::entry_read(std::string_view entry, int32_t position) {
  if (f_.listener) f_.listener->entry_read(file_, key_line_, entry, position);
}

SourceLocation DescriptionReader::last_field() const {
  return {file_, reader_.riga(), false, reader_.column()};
}

bool DescriptionReader::plan_built() const { return f_.compila_linea != 0; }
