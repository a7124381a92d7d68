/* The boundary between the driver and its on-screen window, which lives in a
 * module of its own (librv_zr6180_gtk.so) loaded only when a window is to be
 * shown: the driver then needs no toolkit to load, and the toolkit, which
 * cannot be unloaded, stays loaded while the driver comes and goes.
 *
 * Plain C on both sides: the module's entry returns a table of functions,
 * and the driver hands the module a table of call-backs into the view model.
 * Texts are code page 1250, zero-terminated, and valid only during the call
 * that passes them. Every function runs on the window's thread and returns
 * normally (nothing unwinds across this boundary). */
#ifndef RV_ZR6180_WINDOW_MODULE_H
#define RV_ZR6180_WINDOW_MODULE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RV_WINDOW_MODULE_VERSION 1u
#define RV_WINDOW_MODULE_FILE "librv_zr6180_gtk.so"
#define RV_WINDOW_MODULE_ENTRY "rv_zr6180_window_module"

#define RV_WINDOW_INFO_ROWS 4
#define RV_WINDOW_INTERFACE_ROWS 16
#define RV_WINDOW_CHANNEL_ROWS 16

/* Pages, in the order of their tabs. */
#define RV_WINDOW_PAGE_INFO 0u
#define RV_WINDOW_PAGE_INTERFACE 1u
#define RV_WINDOW_PAGE_CHANNEL 2u

/* Parts of a frame that a draw puts on screen. */
#define RV_WINDOW_DRAW_HEADERS 1u         /* counts, both fields, check box, page in view */
#define RV_WINDOW_DRAW_PAGE 2u            /* the values of `page` */
#define RV_WINDOW_DRAW_CHANNEL_FIELD 4u   /* the channel field's text */
#define RV_WINDOW_DRAW_INTERFACE_FIELD 8u /* the interface field's text */

typedef struct RvWindow RvWindow; /* the module's window, opaque to the driver */

typedef struct RvColour {
    uint8_t r, g, b;
} RvColour;

/* The captions of the value rows, set once at creation. */
typedef struct RvWindowCaptions {
    const char* info[RV_WINDOW_INFO_ROWS];
    const char* interfaceRows[RV_WINDOW_INTERFACE_ROWS];
    const char* channelRows[RV_WINDOW_CHANNEL_ROWS];
} RvWindowCaptions;

/* One frame of the view model's output. */
typedef struct RvWindowFrame {
    uint32_t page; /* RV_WINDOW_PAGE_* */
    const char* info[RV_WINDOW_INFO_ROWS];
    RvColour indicators[16]; /* box k + 1 stands for interface k + 1 */
    const char* interfaceCount;
    const char* channelCount;
    const char* interfaceRows[RV_WINDOW_INTERFACE_ROWS];
    const char* channelRows[RV_WINDOW_CHANNEL_ROWS];
    const char* channelField;
    const char* interfaceField;
    int32_t logging; /* tick of the check box */
} RvWindowFrame;

/* The characters of the keys that do more than type. */
enum { RvKeyBackspace = 8, RvKeyEnter = 13, RvKeyEscape = 27 };

/* The view model's side, called by the module with `model`. */
typedef struct RvWindowCalls {
    void* model;
    /* The 200 ms timer: the driver refreshes and draws through the table. */
    void (*tick)(void* model);
    int32_t (*mayClose)(void* model);
    /* A typed character (or RvKeyEnter, RvKeyBackspace): 1 when the field takes it.
     * On Enter the driver draws the field and its page at once. */
    int32_t (*channelKey)(void* model, char c);
    int32_t (*interfaceKey)(void* model, char c);
    /* The field's text after any change (typed, pasted, set). */
    void (*channelFieldText)(void* model, const char* text);
    void (*interfaceFieldText)(void* model, const char* text);
    /* A tab change or a click on the check box: 0 when refused. */
    int32_t (*selectPage)(void* model, uint32_t page);
    int32_t (*clickLogging)(void* model, int32_t ticked);
} RvWindowCalls;

typedef struct RvWindowModule {
    uint32_t version; /* RV_WINDOW_MODULE_VERSION */
    /* Null when no display can be opened. `calls` is copied; `model` must
     * outlive the window. The window starts hidden and enabled. */
    RvWindow* (*create)(const RvWindowCalls* calls, const RvWindowCaptions* captions);
    void (*destroy)(RvWindow* w);
    void (*setVisible)(RvWindow* w, int32_t visible);
    void (*minimise)(RvWindow* w);
    void (*restore)(RvWindow* w);
    void (*focus)(RvWindow* w);
    void (*place)(RvWindow* w, int32_t left, int32_t top, int32_t width, int32_t height);
    void (*enable)(RvWindow* w, int32_t enabled);
    void (*stopTimer)(RvWindow* w);
    void (*draw)(RvWindow* w, const RvWindowFrame* frame, uint32_t parts);
} RvWindowModule;

/* The module's one exported symbol, RV_WINDOW_MODULE_ENTRY. */
typedef const RvWindowModule* (*RvWindowModuleEntry)(void);

#ifdef __cplusplus
}
#endif

#endif
