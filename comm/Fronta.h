// The request queues (one per interface) and the start and error completion
// of a request, shared by the exports, the interface threads and the
// call-back thread.
#pragma once

#include <cstdint>

#include "comm/Request.h"
#include "config/Model.h"

// Starts the request of channel c with function code `function` and queues it
// as a new entry; a full queue completes it at once with status 3.
void ZaradPozadavek(TData& d, int c, uint8_t function);
enum class TQueued : int { Yes = 0, Full = 3 };
// Adds channel c as a new entry of its interface's queue.
TQueued VlozDoFronty(TData& d, int c);
// Hands the new entries of all 16 queues to their interface threads.
void PotvrdFronty(TData& d);

// Interface thread side: the channel at the read index when a committed
// entry waits, else 0; then RemoveFromQueue takes it out.
int32_t NextInQueue(const TData& d, int rozhrani);
void RemoveFromQueue(TData& d, int rozhrani);

// Completes the request of channel c with status e and no answer.
void UkonciSChybou(TData& d, uint32_t c, uint8_t e);

// Ends request number `request` of channel c with status 26, unless the
// host has started another request of the channel since: false then, and
// nothing changes. The time limits of the call-back thread and of
// OutputFinalized end requests only this way.
bool FinishTimedOut(TData& d, uint32_t c, uint32_t request);

// The current local hour of the wall clock, cached between boundaries so that
// a step needs no calendar conversion.
struct TQueueHour {
    int64_t From = 0;   // wall-clock ms where the cached hour began
    int64_t Until = 0;   // and where it ends
    int Hour = -1;
};

// Hourly fill report of queue `rozhrani` ("FIFOmax=" in the interface log).
// Returns the ms left until the next hour boundary.
int64_t ReportQueueFill(TData& d, int rozhrani, TQueueHour& h);
