/* Rv_zr6180: driver for Zarvelin remote I/O modules behind ZR-6180 gateways.
 *
 * A host loads the library, creates an instance with MakeDriver and passes
 * the returned PData to every other call. Order for one instance:
 *   MakeDriver, Init, { request / buffer / DriverProc / QueryProc calls },
 *   Done, DisposeDriver.
 * Threads: call the exports from one thread at a time, the host's calling
 * thread. A host that calls the request exports from several threads at
 * once does not corrupt the request queues (adding and committing take the
 * same lock), but the order of a channel's request and its Finalized is
 * then the host's to keep.
 * The call-back given to Init runs on the driver's own call-back thread. It
 * may run the host's next cycle there: InputRequest, InputRequestCompleted,
 * InputFinalized, GetInput and their output counterparts work from inside
 * it, and every marking (a Finalized that returned false) still gets
 * exactly one call-back. A new request of a channel clears its marking, so
 * call Finalized for it again after requesting it. QueryProc, BufferInfo,
 * SetBufferAddr, Version, Check and GetDriverInfo work there too. Init, Done
 * and DisposeDriver wait for the call-back thread and must not be called
 * from inside the call-back; nor DriverProc, which belongs to the thread
 * that called Init. The call-back may be NULL: the host then polls
 * Finalized until it returns 1.
 * Status codes: the status word of the Finalized calls only says whether
 * the driver serves the channel. A channel's own result (0 in order, 1..26
 * a fault) is read through service channels 6 and 4; docs/status-codes.md
 * lists the codes with their texts, causes and what to check, and the
 * range of every value kind.
 * Texts in and out are zero-terminated code page 1250 byte strings (not
 * UTF-8): convert them, e.g. with iconv("UTF-8", "CP1250").
 * Compiles as C89 and later and as C++98 and later.
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

/* The 8 value bytes sit at offset 4, unaligned: the x86-64 C ABI passes
 * this record by value in memory (on the stack), never in registers. A
 * foreign-function layer that rebuilds it as an aligned structure passes it
 * wrongly; the README shows what works. */
#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(THodnota) == 12, "THodnota is 12 bytes");
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(THodnota) == 12, "THodnota is 12 bytes");
#else
/* Older languages: an array of negative size stops the build instead. */
typedef char RV_ZR6180_THodnota_is_12_bytes[sizeof(THodnota) == 12 ? 1 : -1];
#endif

/* The driver instance, opaque to the host. */
typedef void *PData;

/* One-byte Boolean result: 1 true, 0 false. */
typedef uint8_t TBoolean;

/* Completion call-back: (context given to Init, 0 input / 1 output, PData).
 * Called once per marking (a Finalized that returned 0) when its request
 * has ended, on the driver's call-back thread, never on the host's calling
 * thread, and never twice at once. Returning 1 makes the driver call it
 * once more at once for the same completion; what that second call returns
 * is ignored, so a completion gives at most two calls. Return 0 otherwise. */
typedef int32_t (*TCallBack)(int32_t kontext, int32_t smer, PData data);

/* Interface version 0x00030000 (196608); needs no instance. */
RV_ZR6180_API uint32_t Version(void) RV_ZR6180_NOEXCEPT;

/* 1: the driver can run here; needs no instance. */
RV_ZR6180_API TBoolean Check(void) RV_ZR6180_NOEXCEPT;

/* Copies the identification (22 characters, CP1250) and a zero into text,
 * which needs 23 bytes; a null text is ignored. Needs no instance. */
RV_ZR6180_API void GetDriverInfo(uint32_t ignorovano, char *text) RV_ZR6180_NOEXCEPT;

/* A new zero-filled instance, or NULL when it cannot be allocated. */
RV_ZR6180_API PData MakeDriver(void) RV_ZR6180_NOEXCEPT;

/* Reads the parameter file, starts one thread per interface and the
 * call-back thread. Returns 1 when the driver runs; on 0 chyba holds the
 * reason (CP1250): at most limit characters plus a zero, so the buffer needs
 * limit + 1 bytes. kontext comes back as the call-back's first argument.
 * callback may be NULL: no call-back is made and the host polls the
 * Finalized calls. After 0, only Done and DisposeDriver. */
RV_ZR6180_API TBoolean Init(PData data, uint32_t ignorovano, const char *parametry, int32_t limit,
                            char *chyba, uint32_t uroven, uint32_t ignorovano2, int32_t kontext,
                            TCallBack callback) RV_ZR6180_NOEXCEPT;

/* 0: no shared buffer is needed. */
RV_ZR6180_API uint32_t BufferInfo(PData data) RV_ZR6180_NOEXCEPT;

/* Ignored: the driver keeps no buffer shared with the host. */
RV_ZR6180_API void SetBufferAddr(PData data, void *adresa, uint32_t delka) RV_ZR6180_NOEXCEPT;

/* Queues a read of input 100..2999; service channels 1..5 and 11..26 need
 * no request but are accepted. */
RV_ZR6180_API void InputRequest(PData data, uint32_t kanal) RV_ZR6180_NOEXCEPT;

/* Commits the queued requests of all interfaces (input and output). */
RV_ZR6180_API void InputRequestCompleted(PData data) RV_ZR6180_NOEXCEPT;

/* 1 when the read has ended; 0 means a call-back (direction 0) follows,
 * then ask again. *status is 0 when the driver serves the channel (declared
 * input or service channel), 3 otherwise: it is not the channel's own
 * result, which service channel 4 tells after writing the channel to 6.
 * A read that failed still ends with 1 and status 0. */
RV_ZR6180_API TBoolean InputFinalized(PData data, uint32_t kanal, int32_t *status) RV_ZR6180_NOEXCEPT;

/* The value of a finished read; hodnota->TypHodnoty must match the channel
 * (TypReal 100..999, TypInt 1000..1999 and service channels, TypBool
 * 2000..2999), else the record is left untouched. For a request that
 * failed it gives the channel's data bytes as they are, not a measurement:
 * those of the gateway's answer when the gateway answered with a status,
 * zero when the driver ended the request itself. Check the channel's own
 * status (service channels 6 and 4) before using the value. */
RV_ZR6180_API void GetInput(PData data, uint32_t kanal, THodnota *hodnota) RV_ZR6180_NOEXCEPT;

/* Queues a write of 3000..6099 (or of service channel 6, 51..66, 99) with
 * a value record passed by value (in memory: see THodnota). A text
 * (6000..6099) is copied during this call: at most 256 bytes are read, up
 * to its zero, and its first four characters are kept, so the host's
 * buffer may be reused as soon as the call returns; a NULL text ends the
 * request with status 23. A real is sent with 6 or 7 significant digits,
 * cut toward zero: one beyond -8388607..8388607 as the saturated value, NaN
 * as -8388607, one below 0.00001 in magnitude as 0; an infinite one ends
 * the request with status 22. */
RV_ZR6180_API void OutputRequest(PData data, uint32_t kanal, THodnota hodnota) RV_ZR6180_NOEXCEPT;

/* Commits the queued requests of all interfaces (input and output). */
RV_ZR6180_API void OutputRequestCompleted(PData data) RV_ZR6180_NOEXCEPT;

/* As InputFinalized for writes (call-back direction 1): *status is 0 for
 * a channel the driver serves, 3 otherwise, not the channel's own result. */
RV_ZR6180_API TBoolean OutputFinalized(PData data, uint32_t kanal, int32_t *status) RV_ZR6180_NOEXCEPT;

/* Window control: funkce 0 hide, 1 show, 2 minimise, 3 restore, 4 focus,
 * 5 place at a1..a4 (left, top, width, height), 6 enable the controls when
 * Init's level >= a1. Call from the thread that called Init. */
RV_ZR6180_API void DriverProc(PData data, uint32_t funkce, int32_t a1, int32_t a2, int32_t a3,
                              int32_t a4) RV_ZR6180_NOEXCEPT;

/* typ TypString and nazev "GetVersion" (exactly, letter case counts) copy
 * the identification, 22 characters and a zero, into the buffer that
 * vysledek->Hodnota.Text points to: the host sets vysledek->TypHodnoty to
 * TypString and Hodnota.Text to 23 writable bytes of its own (the driver
 * writes through the pointer although it is declared const). Any other
 * query, type or a NULL Text changes nothing. */
RV_ZR6180_API void QueryProc(PData data, int32_t typ, const char *nazev, int32_t ignorovano,
                             THodnota *vysledek) RV_ZR6180_NOEXCEPT;

/* Stops and joins the threads; afterwards only DisposeDriver. */
RV_ZR6180_API void Done(PData data) RV_ZR6180_NOEXCEPT;

/* Releases the instance; the library may be unloaded afterwards. */
RV_ZR6180_API void DisposeDriver(PData data) RV_ZR6180_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* RV_ZR6180_H */
