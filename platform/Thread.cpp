#include "platform/Thread.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <cstring>

bool TThread::Start(const TThreadStart* starter, const char* name) {
    if (thread_.joinable()) return true;
    const TThreadStart system;
    const TThreadStart& s = starter != nullptr ? *starter : system;
    char n[16] = {};
    std::strncpy(n, name != nullptr ? name : "", sizeof n - 1);
    return s.Start(thread_, [this, n] {
        pthread_setname_np(pthread_self(), n);
        Execute();
    });
}

void TThread::Stop() {
    stop_.store(true, std::memory_order_release);
    Wake();
}

void TThread::Join() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

TThread::~TThread() {
    Stop();
    Join();
}

void SleepMs(int ms) {
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}
