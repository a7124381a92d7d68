#include "comm/Buzeni.h"

// Placeholder until the threads exist: nothing waits yet.
void VzbudRozhrani(TData&, int) {}
void VzbudVsechnaRozhrani(TData&) {}
void VzbudCallBack(TData&) {}
