#include "compile/description_reader.h"

#include "app/form1.h"

DescriptionReader::DescriptionReader(Form1& form, FileDescrizione file, std::string content)
    : f_(form), lettore_(std::move(content)), file_(file) {}

bool DescriptionReader::find_general(bool last_field_may_open) {
  while (!lettore_.fine_file()) {
    const std::string campo = read_key();
    const bool ultimo = lettore_.fine_file();
    if ((last_field_may_open || !ultimo) && contiene(minuscolo(campo), "[generale]")) return true;
    drop(campo, SezioneLettura::prima_del_generale);
  }
  return false;
}

std::optional<std::string> DescriptionReader::next_key(int comment_steps, bool end_stops_skip,
                                                       SezioneLettura section) {
  std::string key = read_key();
  if (lettore_.fine_file()) {
    drop(key, section);
    return std::nullopt;
  }
  for (int step = 0; step < comment_steps && contiene(key, "-"); ++step) {
    key = read_key();
    if (end_stops_skip && lettore_.fine_file()) {
      drop(key, section);
      return std::nullopt;
    }
  }
  return key;
}

std::string DescriptionReader::read_key() {
  std::string key = lettore_.leggi_testo();
  key_line_ = lettore_.riga();
  f_.riga = key;
  f_.sorgente = {file_, key_line_, false, lettore_.column()};
  return key;
}

void DescriptionReader::drop(const std::string& key, SezioneLettura section) {
  if (f_.ascoltatore) f_.ascoltatore->key_dropped(file_, key_line_, section, key);
}

void DescriptionReader::entry_read(std::string_view entry, int32_t position) {
  if (f_.ascoltatore) f_.ascoltatore->entry_read(file_, key_line_, entry, position);
}

LuogoSorgente DescriptionReader::last_field() const {
  return {file_, lettore_.riga(), false, lettore_.column()};
}

bool DescriptionReader::plan_built() const { return f_.compila_linea != 0; }
