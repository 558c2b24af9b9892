#include "in_memory_build.h"

#include "app/form1.h"
#include "platform/memory_platform.h"

Descriptions built_in_descriptions() {
  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = kDefaultLineName;
  f.numero_treno = kDefaultTrainNumber;
  f.dati_linea();
  f.dati_treno();
  return {p.files.at(f.file_name(ScenarioFile::line_description)),
          p.files.at(f.file_name(ScenarioFile::train_description))};
}

CompiledInMemory compile_in_memory(const std::string& line, const std::string& train,
                                   const std::string& nome_linea,
                                   const std::string& numero_treno) {
  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = nome_linea;
  f.numero_treno = numero_treno;
  p.files[f.file_name(ScenarioFile::line_description)] = line;
  p.files[f.file_name(ScenarioFile::train_description)] = train;
  f.memorizza_percorso(1);
  CompiledInMemory c;
  c.codice_errore = f.codice_errore;
  c.line_data = p.files[f.file_name(ScenarioFile::line_data)];
  c.service = p.files[f.file_name(ScenarioFile::service)];
  c.grid = p.files[f.file_name(ScenarioFile::grid)];
  return c;
}
