#include "comm/Buzeni.h"

#include "comm/VlaknoRozhrani.h"
#include "config/Model.h"

// The interface thread objects are created and released on the host's
// thread, the same thread that wakes them, so reading the references needs
// no lock. The call-back thread's alarm is part of the instance: any thread
// may ring it.

void VzbudRozhrani(TData& d, int rozhrani) {
    if (!JeRozhrani(rozhrani)) return;
    if (TThreadRozhrani* v = d.Vlakna[rozhrani].get()) v->Wake();
}

void VzbudVsechnaRozhrani(TData& d) {
    for (int k = RozhraniPrvni; k <= RozhraniPosledni; ++k) VzbudRozhrani(d, k);
}

void VzbudCallBack(TData& d) { d.BudikCallBack.Vzbud(); }

void VzbudCallBack(TData& d, int c) {
    d.VyzvyCallBack.Pridej(c);
    d.BudikCallBack.Vzbud();
}
