// Early wake-ups of the driver's threads: an idle thread blocks instead of
// polling, and these end its wait as soon as there is work for it.
#pragma once

struct TData;

void VzbudRozhrani(TData& d, int rozhrani);  // a commit put entries into its queue
void VzbudVsechnaRozhrani(TData& d);         // a log switch request from the window
void VzbudCallBack(TData& d, int c);         // channel c was marked, or its marked request finished
