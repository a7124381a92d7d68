// Stopping what Init started, for Done, DisposeDriver and a repeated Init.
#pragma once

struct TData;

// Joins every thread that still runs and destroys the window, so that the
// instance can be released or initialised again without a thread using it.
void StopThreadsAndWindow(TData& d);

// Waits for the end of every thread that has been told to stop. Done's
// bounded waits may run out while the host's call-back still holds the
// call-back thread; after Done nothing of the driver may run any more.
void JoinThreads(TData& d);
