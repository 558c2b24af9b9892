#include "app/form1.h"

// TODO(spine): the three binary files.
void Form1::scrivi_file_compilati() {}
