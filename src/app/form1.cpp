#include "app/form1.h"

#include "platform/ansi.h"

Form1::Form1(Platform& p) : platform(p) {}

std::filesystem::path Form1::nome_file(std::string_view suffisso) const {
  std::string nome = nome_linea;
  nome += suffisso;
  return file_nella_cartella(platform.program_folder(), nome);
}

// TODO(spine): start-up and the build driver.
void Form1::Form_Load() {}
void Form1::memorizza_percorso(int32_t j) { compila_linea = j; }
void Form1::azzera_voci() {}
