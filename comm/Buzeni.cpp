#include "comm/Buzeni.h"

#include "comm/VlaknoCallBack.h"
#include "comm/VlaknoRozhrani.h"
#include "config/Model.h"

// The thread objects are created and released on the host's thread, the same
// thread that calls these, so reading the references needs no lock.

void VzbudRozhrani(TData& d, int rozhrani) {
    if (!JeRozhrani(rozhrani)) return;
    if (TThreadRozhrani* v = d.Vlakna[rozhrani].get()) v->Vzbud();
}

void VzbudVsechnaRozhrani(TData& d) {
    for (int k = RozhraniPrvni; k <= RozhraniPosledni; ++k) VzbudRozhrani(d, k);
}

void VzbudCallBack(TData& d) {
    if (TThreadCallBack* v = d.VlaknoCallBack.get()) v->Vzbud();
}
