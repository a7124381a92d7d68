#include "config/ThreadStart.h"

#include "config/Model.h"

bool StartThread(const TData* d, std::thread& t, std::function<void()> body) {
    const TThreadStart* s = d != nullptr ? d->ThreadStarter.load() : nullptr;
    if (s != nullptr) return s->Start(t, std::move(body));
    return TThreadStart().Start(t, std::move(body));
}
