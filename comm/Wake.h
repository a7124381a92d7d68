// Early wake-ups of the driver's threads: an idle thread blocks instead of
// polling, and these end its wait as soon as there is work for it.
#pragma once

struct TData;

void WakeInterface(TData& d, int rozhrani);  // a commit put entries into its queue
void WakeAllInterfaces(TData& d);         // a log switch request from the window
void WakeCallBack(TData& d, int c);         // channel c was marked, or its marked request finished
