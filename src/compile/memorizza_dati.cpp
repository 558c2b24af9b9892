#include "app/form1.h"
#include "compile/field_reader.h"

// Both description files, the line file first. Every failure to read a field
// or to convert a value, in either half, ends here in one place: both
// description files are deleted (each only where it still exists) and the
// build records code 25. The files are read whole when they are opened, so
// there is never an open file to close.
void Form1::memorizza_dati() {
  voci[fixed_record::line].nome = nome_linea;
  voci[fixed_record::train].nome = numero_treno;
  try {
    const LineOutcome line = store_line();
    if (line.train_follows) store_train(line.board_counter);
  } catch (const RunTimeFailure& failure) {
    // A field that cannot be read is the field concerned; any other failure
    // concerns the entry whose key was read last.
    if (const auto* read = dynamic_cast<const ReadFailure*>(&failure)) {
      source.riga = read->line();
      source.column = read->column();
      source.end_of_file = false;
    }
    error_detail = failure.what();
    platform.delete_file(file_name(ScenarioFile::line_description));
    platform.delete_file(file_name(ScenarioFile::train_description));
    record_code(25, std::nullopt, source);
  } catch (const FileError& failure) {
    // A description file that cannot be read (the train description is
    // opened without a test that it exists) is a read failure too; it
    // concerns that file as a whole, which `source` names with line 0.
    error_detail = failure.what();
    platform.delete_file(file_name(ScenarioFile::line_description));
    platform.delete_file(file_name(ScenarioFile::train_description));
    record_code(25, std::nullopt, source);
  }
}
