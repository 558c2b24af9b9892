#include "app/form1.h"

// TODO(writers)
void Form1::dati_note() {}
void Form1::dati_rallentamenti() {}
