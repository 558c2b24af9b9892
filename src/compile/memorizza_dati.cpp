#include "app/form1.h"
#include "compile/field_reader.h"

// Both description files, the line file first. Every failure to read a field
// or to convert a value, in either half, ends here in one place: both
// description files are deleted (each only where it still exists) and the
// build records code 25. The files are read whole when they are opened, so
// there is never an open file to close.
void Form1::memorizza_dati() {
  voci[voce_fissa::linea].nome = nome_linea;
  voci[voce_fissa::treno].nome = numero_treno;
  try {
    const EsitoLinea linea = memorizza_linea();
    if (linea.segue_treno) memorizza_treno(linea.contatore_cartelli);
  } catch (const RunTimeFailure& failure) {
    // A field that cannot be read is the field concerned; any other failure
    // concerns the entry whose key was read last.
    if (const auto* read = dynamic_cast<const ReadFailure*>(&failure)) {
      sorgente.riga = read->line();
      sorgente.column = read->column();
      sorgente.fine_file = false;
    }
    dettaglio_errore = failure.what();
    platform.delete_file(nome_file(ScenarioFile::line_description));
    platform.delete_file(nome_file(ScenarioFile::train_description));
    record_code(25, std::nullopt, sorgente);
  } catch (const FileError& failure) {
    // A description file that cannot be read (the train description is
    // opened without a test that it exists) is a read failure too; it
    // concerns that file as a whole, which `sorgente` names with line 0.
    dettaglio_errore = failure.what();
    platform.delete_file(nome_file(ScenarioFile::line_description));
    platform.delete_file(nome_file(ScenarioFile::train_description));
    record_code(25, std::nullopt, sorgente);
  }
}
