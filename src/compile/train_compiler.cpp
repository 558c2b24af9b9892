#include "app/form1.h"

// TODO(train): the train half.
void Form1::memorizza_treno(int32_t) {}
