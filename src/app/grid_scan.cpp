#include "app/form1.h"

// TODO(train): the grid scan.
void Form1::elabora_percorso() {}
int16_t Form1::minimo(int16_t x, int16_t y) { return x > y ? y : x; }
