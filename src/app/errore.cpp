#include "app/form1.h"

#include <charconv>
#include <cstdlib>

#include "app/error_codes.h"
#include "platform/ansi.h"

// The numbered message box, then the end of the run. Besides the box, the
// person running the build gets the code's meaning as a report line; the box
// text itself is exactly " Errore n. " and the number.
void Form1::errore(const std::string& a) {
  platform.message_box(" Errore n. " + a);
  int32_t code = 0;
  const auto [fine, outcome] = std::from_chars(a.data(), a.data() + a.size(), code);
  if (outcome == std::errc() && fine == a.data() + a.size() && find_code(code) != nullptr)
    platform.report(code_line(cp1252_to_utf8(scenario_stem(nome_linea, numero_treno)), code, 0));
  platform.end_program(exit_status::fatal);
  std::abort();  // end_program never returns
}

// Every code of the build comes here, whoever finds it: a later code
// overwrites an earlier one in the build's state, as the state holds one
// code, while the listener hears each one as it is recorded.
void Form1::record_code(int32_t code, std::optional<int32_t> position, const SourceLocation& entry,
                        std::optional<int64_t> cell) {
  codice_errore = code;
  if (position) posizione_errore = *position;
  if (listener) listener->code_recorded(code, posizione_errore, entry, cell);
}
