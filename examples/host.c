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
 * driver or Init failed. To serve other channels, change the arrays `outs`
 * and `ins` in run(): every loop takes its length from the array. */
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

/* One channel of a cycle: what the host asks for and what it gets back. A
 * cycle works on an array of these, so it serves as many channels as the
 * array holds and no second array can be shorter than the first. */
struct Request {
    uint32_t channel;
    THodnota value; /* handed over for an output; the type asked for an input */
    int32_t word;   /* the status word of the Finalized call */
    int finished;   /* the Finalized call has returned 1 */
};

#define COUNT(array) (sizeof(array) / sizeof((array)[0]))

/* The direction of a cycle, as the call-back names it. */
enum { INPUT = 0, OUTPUT = 1 };

/* How long the host waits for a cycle: OutputFinalized ends every write
 * within 65 s (its own limit), and a read ends at its interface time-out,
 * far shorter with the parameters of examples/zr6180.ini; one second more
 * lets the last call-back arrive. A host with longer read time-outs
 * (many retries of a slow bus) raises it. */
#define LONGEST_CYCLE_MS 66000L

/* Completions arrive on the driver's call-back thread; the call-back only
 * counts them and wakes the host's thread, which does the work. The
 * condition runs on the monotonic clock (see main), so that setting the
 * system time neither ends a wait early nor stretches it. */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t woken;
static unsigned long completions[2];

static int32_t on_completion(int32_t context, int32_t direction, PData data) {
    (void)context;
    (void)data;
    if (direction != INPUT && direction != OUTPUT) return 0;
    pthread_mutex_lock(&lock);
    completions[direction]++;
    pthread_cond_broadcast(&woken);
    pthread_mutex_unlock(&lock);
    return 0;
}

static int make_condition(void) {
    pthread_condattr_t attr;
    int failed;
    if (pthread_condattr_init(&attr) != 0) return 0;
    failed = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC) != 0 || pthread_cond_init(&woken, &attr) != 0;
    pthread_condattr_destroy(&attr);
    return !failed;
}

static struct timespec after_ms(long ms) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += ms / 1000;
    t.tv_nsec += (ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec++;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

static int earlier(const struct timespec *a, const struct timespec *b) {
    return a->tv_sec < b->tv_sec || (a->tv_sec == b->tv_sec && a->tv_nsec < b->tv_nsec);
}

/* Waits until the count of `direction` passes `seen`, at most 200 ms and
 * never past `deadline`, and returns the new count. A short wait also
 * serves a host whose call-back is NULL and which polls. */
static unsigned long wait_completion(int direction, unsigned long seen, const struct timespec *deadline) {
    struct timespec until = after_ms(200);
    unsigned long now;
    if (earlier(deadline, &until)) until = *deadline;
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
    iconv(cd, &in, &left, &o, &room); /* what does not fit is cut */
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
#define LOOK(name)                                               \
    *(void **)(&d->name) = dlsym(d->lib, #name);                 \
    if (d->name == NULL) {                                       \
        fprintf(stderr, "%s does not export %s\n", path, #name); \
        dlclose(d->lib);                                         \
        return 0;                                                \
    }
    LOOK(Version) LOOK(GetDriverInfo) LOOK(MakeDriver) LOOK(Init) LOOK(InputRequest)
    LOOK(InputRequestCompleted) LOOK(InputFinalized) LOOK(GetInput) LOOK(OutputRequest)
    LOOK(OutputRequestCompleted) LOOK(OutputFinalized) LOOK(Done) LOOK(DisposeDriver)
#undef LOOK
    return 1;
}

/* Asks every channel until it has finished, waiting for call-backs between
 * the rounds, for at most LONGEST_CYCLE_MS. Returns 1 when all finished. */
static int settle(struct Driver *d, PData p, int direction, struct Request *r, size_t n, unsigned long seen) {
    const struct timespec deadline = after_ms(LONGEST_CYCLE_MS);
    struct timespec now;
    size_t left = n, i;
    for (;;) {
        for (i = 0; i < n; ++i) {
            if (r[i].finished) continue;
            if (direction == INPUT ? d->InputFinalized(p, r[i].channel, &r[i].word)
                               : d->OutputFinalized(p, r[i].channel, &r[i].word)) {
                r[i].finished = 1;
                --left;
            }
        }
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (left == 0 || !earlier(&now, &deadline)) return left == 0;
        seen = wait_completion(direction, seen, &deadline);
    }
}

/* One cycle, the same in both directions: every request handed over, the
 * end of the batch marked, the Finalized calls until all have finished; an
 * input cycle then takes the values. Returns 1 when all finished. */
static int run_cycle(struct Driver *d, PData p, int direction, struct Request *r, size_t n) {
    unsigned long seen = completions_of(direction);
    size_t i;
    for (i = 0; i < n; ++i) {
        r[i].word = -1;
        r[i].finished = 0;
        if (direction == INPUT)
            d->InputRequest(p, r[i].channel);
        else
            d->OutputRequest(p, r[i].channel, r[i].value);
    }
    if (direction == INPUT)
        d->InputRequestCompleted(p);
    else
        d->OutputRequestCompleted(p);
    if (!settle(d, p, direction, r, n, seen)) return 0;
    if (direction == INPUT)
        for (i = 0; i < n; ++i) d->GetInput(p, r[i].channel, &r[i].value);
    return 1;
}

/* The channel's own result (0 in order, 1..26 a fault), or -1 when it could
 * not be read: the status word of the Finalized calls only says whether the
 * driver serves the channel. */
static int32_t channel_status(struct Driver *d, PData p, uint32_t channel) {
    struct Request six, four;
    memset(&six, 0, sizeof six);
    memset(&four, 0, sizeof four);
    six.channel = 6;
    six.value.TypHodnoty = TypInt;
    six.value.Hodnota.Cele = (int32_t)channel;
    four.channel = 4;
    four.value.TypHodnoty = TypInt;
    four.value.Hodnota.Cele = -1;
    if (!run_cycle(d, p, OUTPUT, &six, 1) || !run_cycle(d, p, INPUT, &four, 1)) return -1;
    return four.value.Hodnota.Cele;
}

static void print_request(const char *what, const struct Request *r, int32_t status) {
    const THodnota *v = &r->value;
    char text[64];
    if (!r->finished) {
        printf("%s %u: not finished within %ld s\n", what, (unsigned)r->channel, LONGEST_CYCLE_MS / 1000);
        return;
    }
    switch (v->TypHodnoty) {
        case TypReal: snprintf(text, sizeof text, "%g", v->Hodnota.Real); break;
        case TypString: snprintf(text, sizeof text, "\"%s\"", v->Hodnota.Text); break;
        case TypBool: snprintf(text, sizeof text, "%d", v->Hodnota.Bajty[0] != 0); break;
        default: snprintf(text, sizeof text, "%d", (int)v->Hodnota.Cele); break;
    }
    printf("%s %u = %s: word %d, status %d\n", what, (unsigned)r->channel, text, (int)r->word, (int)status);
}

/* The type GetInput must be given for an input channel. */
static int32_t input_type(uint32_t channel) {
    return channel >= 100 && channel < 1000 ? TypReal : channel >= 2000 && channel < 3000 ? TypBool : TypInt;
}

static int run(struct Driver *d, const char *params) {
    struct Request outs[] = {
        {.channel = 3000, .value = {.TypHodnoty = TypReal, .Hodnota = {.Real = 42.5}}},
        {.channel = 4000, .value = {.TypHodnoty = TypInt, .Hodnota = {.Cele = 1234}}},
        {.channel = 5000, .value = {.TypHodnoty = TypBool, .Hodnota = {.Bajty = {1}}}},
        /* copied during OutputRequest: the text may change once it returns */
        {.channel = 6000, .value = {.TypHodnoty = TypString, .Hodnota = {.Text = "C-99"}}},
    };
    struct Request ins[] = {{.channel = 100}, {.channel = 1000}, {.channel = 2000}, {.channel = 102}};
    char info[23] = {0}, error[256] = {0}, utf8[512];
    PData p;
    size_t i;
    int ok;

    d->GetDriverInfo(0, info); /* 22 characters and a zero */
    to_utf8(info, utf8, sizeof utf8);
    printf("driver: %s (interface 0x%08X)\n", utf8, (unsigned)d->Version());

    p = d->MakeDriver();
    if (p == NULL) return 0;
    ok = d->Init(p, 0, params, (int32_t)sizeof error - 1, error, 0, 0, 0, on_completion);
    if (!ok) {
        to_utf8(error, utf8, sizeof utf8);
        printf("Init failed: %s\n", utf8);
    } else {
        run_cycle(d, p, OUTPUT, outs, COUNT(outs));
        for (i = 0; i < COUNT(outs); ++i)
            print_request("write", &outs[i], outs[i].finished ? channel_status(d, p, outs[i].channel) : -1);

        for (i = 0; i < COUNT(ins); ++i) ins[i].value.TypHodnoty = input_type(ins[i].channel);
        run_cycle(d, p, INPUT, ins, COUNT(ins));
        for (i = 0; i < COUNT(ins); ++i)
            print_request("read", &ins[i], ins[i].finished ? channel_status(d, p, ins[i].channel) : -1);
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
    if (!make_condition() || !look_up(&d, library)) return 1;
    ok = run(&d, argv[1]);
    dlclose(d.lib);
    return ok ? 0 : 1;
}
