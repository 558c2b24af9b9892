#include "app/form1.h"

// TODO(spine): check codes and guards.
int16_t Form1::codice_gara_og() { return 0; }
int32_t Form1::codice_gara_st() { return 0; }
void Form1::controlla_codici() {}
