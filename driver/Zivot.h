// Stopping what Init started, for Done, DisposeDriver and a repeated Init.
#pragma once

struct TData;

// Joins every thread that still runs and destroys the window, so that the
// instance can be released or initialised again without a thread using it.
void ZastavVlaknaAOkno(TData& d);
