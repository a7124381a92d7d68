#include "driver/Zivot.h"

#include "comm/VlaknoCallBack.h"
#include "comm/VlaknoRozhrani.h"
#include "config/Model.h"
#include "diag/DrvDialog.h"

void ZastavVlaknaAOkno(TData& d) {
    d.VlaknoCallBack.reset();
    for (auto& v : d.Vlakna) v.reset();
    d.Dialog.reset();
}
