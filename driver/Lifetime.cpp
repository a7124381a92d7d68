#include "driver/Lifetime.h"

#include "comm/ThreadCallBack.h"
#include "comm/ThreadRozhrani.h"
#include "config/Model.h"
#include "diag/DrvDialog.h"
#include "diag/WebServer.h"

// Here, where the thread and window classes are complete.
TData::TData() = default;
TData::~TData() = default;

void StopThreadsAndWindow(TData& d) {
    d.Web.reset();
    // Stop requests first, so the threads wind down together; then join.
    if (d.VlaknoCallBack) d.VlaknoCallBack->Stop();
    for (auto& v : d.Vlakna)
        if (v) v->Stop();
    d.VlaknoCallBack.reset();
    for (auto& v : d.Vlakna) v.reset();
    d.Dialog.reset();
    d.DialogVytvoren = 0;
}

void JoinThreads(TData& d) {
    if (d.VlaknoCallBack) d.VlaknoCallBack->Join();
    for (auto& v : d.Vlakna)
        if (v) v->Join();
}
