#include "comm/Wake.h"

#include "comm/ThreadRozhrani.h"
#include "config/Model.h"

// The interface thread objects are created and released on the host's
// thread, the same thread that wakes them, so reading the references needs
// no lock. The call-back thread's alarm is part of the instance: any thread
// may ring it.

void WakeInterface(TData& d, int rozhrani) {
    if (!IsInterface(rozhrani)) return;
    if (TThreadRozhrani* v = d.Vlakna[rozhrani].get()) v->Wake();
}

void WakeAllInterfaces(TData& d) {
    for (int k = FirstInterface; k <= LastInterface; ++k) WakeInterface(d, k);
}

void WakeCallBack(TData& d, int c) {
    d.CallBackWakes.Add(c);
    d.CallBackAlarm.Ring();
}
