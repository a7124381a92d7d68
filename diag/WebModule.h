/* The boundary between the driver and its diagnostic web server, which lives
 * in a module of its own (librv_zr6180_web.so) loaded only when RV_ZR6180_HTTP
 * asks for it: a driver without it needs no HTTP library to load.
 *
 * Plain C on both sides. The module owns the socket, the HTTP protocol, its
 * limits and the page itself; everything the page shows comes from the
 * driver through `answer`. Nothing unwinds across this boundary. */
#ifndef RV_ZR6180_WEB_MODULE_H
#define RV_ZR6180_WEB_MODULE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RV_WEB_MODULE_VERSION 1u
#define RV_WEB_MODULE_FILE "librv_zr6180_web.so"
#define RV_WEB_MODULE_ENTRY "rv_zr6180_web_module"

typedef struct RvWebServer RvWebServer; /* opaque to the driver */

/* Appends to the body of the answer being built. */
typedef void (*RvWebWrite)(void* sink, const char* data, size_t size);

typedef struct RvWebCalls {
    void* model;
    /* The answer to a GET of `path` (decoded, without the query), for every
     * path but the page "/": the HTTP status (200, 404 or 500), with
     * *contentType set to a static text and the UTF-8 body written through
     * write(sink, ...). Runs on the server's thread. */
    uint32_t (*answer)(void* model, const char* path, const char** contentType, RvWebWrite write, void* sink);
} RvWebCalls;

typedef struct RvWebListen {
    const char* address; /* numeric IPv4 or IPv6, without brackets */
    uint16_t port;       /* 0: any free port */
    int32_t loopback;    /* 1: only the loopback's own host names are served */
} RvWebListen;

typedef struct RvWebModule {
    uint32_t version; /* RV_WEB_MODULE_VERSION */
    /* Listening and serving on a thread of its own; null when the address
     * cannot be bound. `calls` is copied; `model` must outlive the server. */
    RvWebServer* (*start)(const RvWebCalls* calls, const RvWebListen* listen);
    uint16_t (*port)(const RvWebServer* s); /* the port really bound */
    /* Returns once no answer runs any more and the socket is closed. */
    void (*stop)(RvWebServer* s);
} RvWebModule;

/* The module's one exported symbol, RV_WEB_MODULE_ENTRY. */
typedef const RvWebModule* (*RvWebModuleEntry)(void);

#ifdef __cplusplus
}
#endif

#endif
