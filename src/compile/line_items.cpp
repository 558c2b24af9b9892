#include "app/form1.h"

// TODO(line): tunnels, speed-limit boards, chainage references.
void Form1::progressive_ordina() {}
void Form1::memo_montagna(int32_t, int32_t, int32_t) {}
void Form1::memo_indicatori_v_max(int32_t, int32_t, int32_t, int32_t, int16_t, int32_t, int32_t,
                                  int32_t, int16_t) {}
