#include "app/form1.h"

// TODO(writers): the shared writing procedure.
void Form1::scrivi_righe(std::string_view, const std::vector<std::string>&) {}
