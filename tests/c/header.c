/* The public header as a C or C++ host includes it; built as C11 and also
 * compiled with older and newer language standards by the tests. */
#include "rv_zr6180.h"

#include <stddef.h>
#include <stdio.h>

static int32_t hotovo(int32_t kontext, int32_t smer, PData data) {
    (void)data;
    return kontext + smer;
}

int main(void) {
    THodnota v;
    TCallBack cb = hotovo;
    v.TypHodnoty = TypReal;
    v.Hodnota.Real = 1.5;
    if (sizeof(THodnota) != 12 || offsetof(THodnota, Hodnota) != 4) return 1;
    if (TypBool != 2 || TypInt != 5 || TypReal != 10 || TypString != 11) return 1;
    if (cb(1, 1, NULL) != 2) return 1;
    printf("THodnota %lu bytes\n", (unsigned long)sizeof v);
    return 0;
}
