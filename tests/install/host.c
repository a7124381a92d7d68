/* A host built against the installed driver: links it the ordinary way and
 * calls the exports that need no instance. */
#include <stdio.h>
#include <string.h>

#include <rv_zr6180.h>

int main(void) {
    char info[257];
    memset(info, 0, sizeof info);
    GetDriverInfo(0, info);
    const uint32_t version = Version();
    const TBoolean check = Check();
    printf("Version 0x%08X, Check %u, GetDriverInfo \"%s\"\n", (unsigned)version, (unsigned)check, info);

    /* "Ovladač ZR-6180 v.3.15" in code page 1250 */
    const char *expected = "Ovlada\xE8 ZR-6180 v.3.15";
    if (version != 0x00030000u || check != 1 || strcmp(info, expected) != 0) return 1;

    PData p = MakeDriver();
    if (p == NULL) return 1;
    DisposeDriver(p);
    return 0;
}
