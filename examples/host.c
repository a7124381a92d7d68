/* A minimal host of the Rv_zr6180 driver in C, as a SCADA runtime embeds it.
 *
 *   cc -std=c99 -I/opt/rv_zr6180/include host.c -o host -ldl -lpthread
 *   zr6180-sim -p rostlina.txt &        (gateways on 47101 and 47102)
 *   RV_ZR6180_WINDOW=none ./host [-l LIBRARY] zr6180.ini
 *
 * It loads the driver with dlopen, runs one output cycle and one input cycle
 * over the channels of examples/zr6180.ini, reads each channel's own status
 * through service channels 6 and 4, prints the driver's CP1250 texts as
 * UTF-8 and unloads the driver. Exit status 0 when it ran, 1 when the
 * driver or Init failed. */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <errno.h>
#include <iconv.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "rv_zr6180.h"

/* The exports, looked up by name: the host links nothing of the driver. */
struct Driver {
    void *lib;
    uint32_t (*Version)(void);
    void (*GetDriverInfo)(uint32_t, char *);
    PData (*MakeDriver)(void);
    TBoolean (*Init)(PData, uint32_t, const char *, int32_t, char *, uint32_t, uint32_t, int32_t, TCallBack);
    void (*InputRequest)(PData, uint32_t);
    void (*InputRequestCompleted)(PData);
    TBoolean (*InputFinalized)(PData, uint32_t, int32_t *);
    void (*GetInput)(PData, uint32_t, THodnota *);
    void (*OutputRequest)(PData, uint32_t, THodnota);
    void (*OutputRequestCompleted)(PData);
    TBoolean (*OutputFinalized)(PData, uint32_t, int32_t *);
    void (*Done)(PData);
    void (*DisposeDriver)(PData);
};

/* Completions arrive on the driver's call-back thread; the call-back only
 * counts them and wakes the host's thread, which does the work. */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t woken = PTHREAD_COND_INITIALIZER;
static unsigned long completions[2];

static int32_t on_completion(int32_t context, int32_t direction, PData data) {
    (void)context;
    (void)data;
    if (direction != 0 && direction != 1) return 0;
    pthread_mutex_lock(&lock);
    completions[direction]++;
    pthread_cond_broadcast(&woken);
    pthread_mutex_unlock(&lock);
    return 0;
}

/* Waits until the count of `direction` passes `seen`, at most 200 ms, and
 * returns the new count. A bounded wait also covers a missed wake-up. */
static unsigned long wait_completion(int direction, unsigned long seen) {
    struct timespec until;
    unsigned long now;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += 200000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec++;
        until.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&lock);
    while (completions[direction] == seen)
        if (pthread_cond_timedwait(&woken, &lock, &until) == ETIMEDOUT) break;
    now = completions[direction];
    pthread_mutex_unlock(&lock);
    return now;
}

static unsigned long completions_of(int direction) {
    unsigned long n;
    pthread_mutex_lock(&lock);
    n = completions[direction];
    pthread_mutex_unlock(&lock);
    return n;
}

/* The driver's texts are code page 1250; the terminal wants UTF-8. */
static void to_utf8(const char *cp1250, char *out, size_t size) {
    iconv_t cd = iconv_open("UTF-8", "CP1250");
    char *in = (char *)cp1250, *o = out;
    size_t left = strlen(cp1250), room = size - 1;
    if (cd == (iconv_t)-1) {
        snprintf(out, size, "%s", cp1250);
        return;
    }
    iconv(cd, &in, &left, &o, &room);
    *o = '\0';
    iconv_close(cd);
}

static int look_up(struct Driver *d, const char *path) {
    d->lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (d->lib == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 0;
    }
    /* POSIX lets a data pointer from dlsym become a function pointer. */
#define LOOK(name)                                          \
    *(void **)(&d->name) = dlsym(d->lib, #name);            \
    if (d->name == NULL) {                                  \
        fprintf(stderr, "%s does not export %s\n", path, #name); \
        return 0;                                           \
    }
    LOOK(Version) LOOK(GetDriverInfo) LOOK(MakeDriver) LOOK(Init) LOOK(InputRequest)
    LOOK(InputRequestCompleted) LOOK(InputFinalized) LOOK(GetInput) LOOK(OutputRequest)
    LOOK(OutputRequestCompleted) LOOK(OutputFinalized) LOOK(Done) LOOK(DisposeDriver)
#undef LOOK
    return 1;
}

/* Asks every channel until it has finished, waiting for call-backs between
 * the rounds; `words` receive the status words. At most about 10 s. */
static void settle(struct Driver *d, PData p, int direction, const uint32_t *channels, int n, int32_t *words,
                   unsigned long seen) {
    int done[16] = {0};
    int left = n, i, round;
    for (round = 0; left > 0 && round < 50; ++round) {
        for (i = 0; i < n; ++i) {
            TBoolean ready;
            if (done[i]) continue;
            ready = direction == 0 ? d->InputFinalized(p, channels[i], &words[i])
                                   : d->OutputFinalized(p, channels[i], &words[i]);
            if (ready) {
                done[i] = 1;
                --left;
            }
        }
        if (left > 0) seen = wait_completion(direction, seen);
    }
}

static void write_cycle(struct Driver *d, PData p, const uint32_t *channels, const THodnota *values, int n,
                        int32_t *words) {
    unsigned long seen = completions_of(1);
    int i;
    for (i = 0; i < n; ++i) d->OutputRequest(p, channels[i], values[i]);
    d->OutputRequestCompleted(p);
    settle(d, p, 1, channels, n, words, seen);
}

static void read_cycle(struct Driver *d, PData p, const uint32_t *channels, int n, int32_t *words) {
    unsigned long seen = completions_of(0);
    int i;
    for (i = 0; i < n; ++i) d->InputRequest(p, channels[i]);
    d->InputRequestCompleted(p);
    settle(d, p, 0, channels, n, words, seen);
}

/* The channel's own result (0 in order, 1..26 a fault): the status word of
 * the Finalized calls only says whether the driver serves the channel. */
static int32_t channel_status(struct Driver *d, PData p, uint32_t channel) {
    uint32_t six = 6, four = 4;
    int32_t word = 3;
    THodnota v;
    v.TypHodnoty = TypInt;
    v.Hodnota.Cele = (int32_t)channel;
    write_cycle(d, p, &six, &v, 1, &word);
    read_cycle(d, p, &four, 1, &word);
    v.Hodnota.Cele = -1;
    d->GetInput(p, 4, &v);
    return v.Hodnota.Cele;
}

static void print_value(const char *what, uint32_t channel, const THodnota *v, int32_t word, int32_t status) {
    char text[64];
    switch (v->TypHodnoty) {
        case TypReal: snprintf(text, sizeof text, "%g", v->Hodnota.Real); break;
        case TypString: snprintf(text, sizeof text, "\"%s\"", v->Hodnota.Text); break;
        case TypBool: snprintf(text, sizeof text, "%d", v->Hodnota.Bajty[0] != 0); break;
        default: snprintf(text, sizeof text, "%d", (int)v->Hodnota.Cele); break;
    }
    printf("%s %u = %s: word %d, status %d\n", what, (unsigned)channel, text, (int)word, (int)status);
}

static int run(struct Driver *d, const char *params) {
    static const uint32_t outs[] = {3000, 4000, 5000, 6000};
    static const uint32_t ins[] = {100, 1000, 2000, 102};
    THodnota values[4], v;
    int32_t words[4];
    char info[23], error[256], utf8[512];
    PData p;
    int i, ok;

    d->GetDriverInfo(0, info); /* 22 characters and a zero */
    to_utf8(info, utf8, sizeof utf8);
    printf("driver: %s (interface 0x%08X)\n", utf8, (unsigned)d->Version());

    p = d->MakeDriver();
    if (p == NULL) return 0;
    memset(error, 0, sizeof error);
    ok = d->Init(p, 0, params, (int32_t)sizeof error - 1, error, 0, 0, 0, on_completion);
    if (!ok) {
        to_utf8(error, utf8, sizeof utf8);
        printf("Init failed: %s\n", utf8);
    } else {
        values[0].TypHodnoty = TypReal;
        values[0].Hodnota.Real = 42.5;
        values[1].TypHodnoty = TypInt;
        values[1].Hodnota.Cele = 1234;
        values[2].TypHodnoty = TypBool;
        memset(values[2].Hodnota.Bajty, 0, 8);
        values[2].Hodnota.Bajty[0] = 1;
        values[3].TypHodnoty = TypString;
        values[3].Hodnota.Text = "C-99";
        write_cycle(d, p, outs, values, 4, words);
        for (i = 0; i < 4; ++i) print_value("write", outs[i], &values[i], words[i], channel_status(d, p, outs[i]));

        read_cycle(d, p, ins, 4, words);
        for (i = 0; i < 4; ++i) {
            v.TypHodnoty = ins[i] < 1000 ? TypReal : ins[i] < 2000 ? TypInt : TypBool;
            memset(v.Hodnota.Bajty, 0, 8);
            d->GetInput(p, ins[i], &v);
            print_value("read", ins[i], &v, words[i], channel_status(d, p, ins[i]));
        }
    }
    d->Done(p);
    d->DisposeDriver(p); /* every thread of the instance has been joined */
    return ok;
}

int main(int argc, char **argv) {
    struct Driver d;
    const char *library = "librv_zr6180.so.3";
    int ok;
    if (argc == 4 && strcmp(argv[1], "-l") == 0) {
        library = argv[2];
        argv += 2;
        argc -= 2;
    }
    if (argc != 2) {
        fprintf(stderr, "usage: %s [-l LIBRARY] PARAMFILE\n", argv[0]);
        return 2;
    }
    memset(&d, 0, sizeof d);
    if (!look_up(&d, library)) return 1;
    ok = run(&d, argv[1]);
    dlclose(d.lib);
    return ok ? 0 : 1;
}
