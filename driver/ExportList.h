/* The driver's 18 exports, one per line. The version script, the export
 * test and the one loader that opens the library with dlopen
 * (tools/common/DriverLibrary.h: the tests, zr6180-host, zr6180-bench) are
 * made from this list, applying a macro to each name. */
#ifndef RV_ZR6180_EXPORT_LIST_H
#define RV_ZR6180_EXPORT_LIST_H

#define RV_ZR6180_EXPORTS(X) \
    X(Version)               \
    X(Check)                 \
    X(GetDriverInfo)         \
    X(MakeDriver)            \
    X(Init)                  \
    X(BufferInfo)            \
    X(SetBufferAddr)         \
    X(InputRequest)          \
    X(InputRequestCompleted) \
    X(InputFinalized)        \
    X(GetInput)              \
    X(OutputRequest)         \
    X(OutputRequestCompleted) \
    X(OutputFinalized)       \
    X(DriverProc)            \
    X(QueryProc)             \
    X(Done)                  \
    X(DisposeDriver)

#endif
