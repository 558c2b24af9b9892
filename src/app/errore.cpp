#include "app/form1.h"

#include <cstdlib>

// TODO(spine): the numbered message box.
void Form1::errore(const std::string& a) {
  platform.message_box(" Errore n. " + a);
  platform.end_program(3);
  std::abort();  // end_program never returns
}
