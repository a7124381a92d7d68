/* Rv_zr6180: driver for Zarvelin remote I/O modules behind ZR-6180 gateways.
 *
 * A host loads the library, creates an instance with MakeDriver and passes
 * the returned PData to every other call. Order for one instance:
 *   MakeDriver, Init, { request / buffer / DriverProc / QueryProc calls },
 *   Done, DisposeDriver.
 * All exports are called from the host's one calling thread. The call-back
 * given to Init is called on the driver's own call-back thread.
 * Texts are zero-terminated code page 1250 byte strings.
 */
#ifndef RV_ZR6180_H
#define RV_ZR6180_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(RV_ZR6180_BUILD)
#define RV_ZR6180_API __attribute__((visibility("default")))
#else
#define RV_ZR6180_API
#endif

/* No export lets an exception out: a C++ host may rely on it. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define RV_ZR6180_NOEXCEPT noexcept
#else
#define RV_ZR6180_NOEXCEPT
#endif

/* Host type codes of THodnota.TypHodnoty. */
enum {
    TypBool = 2,    /* Hodnota.Bajty[0]: 0 false, non-zero true */
    TypInt = 5,     /* Hodnota.Cele: little-endian signed 32-bit */
    TypReal = 10,   /* Hodnota.Real: IEEE-754 double */
    TypString = 11  /* Hodnota.Text: zero-terminated CP1250 text, at most 256 read */
};

#pragma pack(push, 1)
typedef struct THodnota {
    int32_t TypHodnoty;
    union {
        uint8_t Bajty[8];
        int32_t Cele;
        double Real;
        const char *Text;
    } Hodnota;
} THodnota;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(THodnota) == 12, "THodnota is 12 bytes");
#else
_Static_assert(sizeof(THodnota) == 12, "THodnota is 12 bytes");
#endif

/* The driver instance, opaque to the host. */
typedef void *PData;

/* One-byte Boolean result: 1 true, 0 false. */
typedef uint8_t TBoolean;

/* Completion call-back: (context given to Init, 0 input / 1 output, PData).
 * Returning 1 asks for the same call once more. Called on the driver's
 * call-back thread, never on the host's calling thread. */
typedef int32_t (*TCallBack)(int32_t kontext, int32_t smer, PData data);

RV_ZR6180_API uint32_t Version(void) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API TBoolean Check(void) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void GetDriverInfo(uint32_t ignorovano, char *text) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API PData MakeDriver(void) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API TBoolean Init(PData data, uint32_t ignorovano, const char *parametry, int32_t limit,
                            char *chyba, uint32_t uroven, uint32_t ignorovano2, int32_t kontext,
                            TCallBack callback) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API uint32_t BufferInfo(PData data) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void SetBufferAddr(PData data, void *adresa, uint32_t delka) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void InputRequest(PData data, uint32_t kanal) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void InputRequestCompleted(PData data) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API TBoolean InputFinalized(PData data, uint32_t kanal, int32_t *status) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void GetInput(PData data, uint32_t kanal, THodnota *hodnota) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void OutputRequest(PData data, uint32_t kanal, THodnota hodnota) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void OutputRequestCompleted(PData data) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API TBoolean OutputFinalized(PData data, uint32_t kanal, int32_t *status) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void DriverProc(PData data, uint32_t funkce, int32_t a1, int32_t a2, int32_t a3,
                              int32_t a4) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void QueryProc(PData data, int32_t typ, const char *nazev, int32_t ignorovano,
                             THodnota *vysledek) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void Done(PData data) RV_ZR6180_NOEXCEPT;
RV_ZR6180_API void DisposeDriver(PData data) RV_ZR6180_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* RV_ZR6180_H */
