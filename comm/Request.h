// The life of one channel request, from the host's call to its notice.
//
//   started   StartRequest        the exports (ZaradPozadavek, refusals)
//   requested MarkRequested       the exports
//   sent      MarkSent            the interface thread
//   done      PublishOutcome      the interface thread (UlozOdpoved),
//             PublishError        whoever ends it without an answer
//   marked    MarkAwaitingNotice  a Finalized call that found it running
//   notified  TakeNoticeMark, AfterNotice   the call-back thread
//   reported  ReportDone          InputFinalized
//   collected Collect             GetInput
//
// The exports and the threads take these steps instead of writing the
// fields, so the orderings that keep an outcome true stand here once:
// the outcome before Hotovo, the state before Hotovo, the request number
// after the start it vouches for, one notice per mark.
#pragma once

#include <cstdint>

#include "config/Model.h"

inline int32_t StateField(TRequestState s) { return static_cast<int32_t>(s); }
inline TRequestState StateOf(const TKanal& k) { return k.StavPozadavku.load(); }
inline int32_t StateFieldOf(const TKanal& k) { return StateField(StateOf(k)); }

// Started: under WindowLock. The outcome of the previous request is
// withdrawn first; the number goes last, after the start time and limit,
// so that a thread judging a request by its age (FinishTimedOut) reads the
// number, then the start, then its clock, and a request started meanwhile
// can only look younger than it is.
inline void StartRequest(TKanal& k, uint32_t now, uint8_t function, int32_t limit) {
    k.Hotovo = 0;
    k.CekaCallBack = 0;
    k.PocetVolani.Add(1);
    k.CasPozadavku = now;
    k.Funkce = function;
    k.LimitPozadavku = limit;
    k.RequestNumber.store(k.RequestNumber.load() + 1, std::memory_order_release);
}

// A refused request has a start too (its times count from the refusal).
inline void StartRefusedRequest(TKanal& k, uint32_t now) {
    k.CasPozadavku = now;
    k.CasOdeslani = now;
    k.RequestNumber.store(k.RequestNumber.load() + 1, std::memory_order_release);
}

// The number of the channel's current request (acquire: see StartRequest).
inline uint32_t RequestNumberOf(const TKanal& k) { return k.RequestNumber.load(std::memory_order_acquire); }
inline bool IsCurrentRequest(const TKanal& k, uint32_t number) { return k.RequestNumber.load() == number; }

// An entry point moves the state only out of None: a request already under
// way keeps its progress.
inline void MarkRequested(TKanal& k) {
    if (StateOf(k) == TRequestState::None) k.StavPozadavku = TRequestState::Requested;
}

inline void MarkSent(TKanal& k) { k.StavPozadavku = TRequestState::Sent; }

// Whether a stored outcome moves the request to Stored: an exchange does,
// a demo answer and a request that could not be built leave the state alone.
enum class TOutcomeState { Kept, Stored };

// An answer's outcome, whose result fields are already written. The state
// goes before Hotovo: the call-back thread moves Stored on only after it
// has seen Hotovo, so a later Stored would be left standing. Returns the
// state left, for the trace after it.
inline TRequestState PublishOutcome(TKanal& k, TOutcomeState o) {
    if (o == TOutcomeState::Stored) k.StavPozadavku = TRequestState::Stored;
    const TRequestState s = StateOf(k);
    k.Hotovo = 1;  // release: the result fields are complete
    return s;
}

// An error outcome with no answer; the state stays where its owner left it.
inline void PublishError(TKanal& k) { k.Hotovo = 1; }

// Acquire: the result fields are complete once it reads true.
inline bool IsDone(const TKanal& k) { return k.Hotovo.load() == 1; }
inline bool IsAwaitingNotice(const TKanal& k) { return k.CekaCallBack == 1; }

// The call-back thread's time limit ended it while it still waited in the
// queue: the host has that outcome, and a late exchange would overwrite it.
inline bool EndedByTimeLimit(const TKanal& k) { return IsDone(k) && k.Status == StatusInterfaceTimeout; }

// The host waits for a call-back (the caller then wakes the call-back thread).
inline void MarkAwaitingNotice(TKanal& k) { k.CekaCallBack = 1; }

// Clearing the mark with one exchange gives one notice per marking, even
// when the host's own thread clears it at the same moment. A request that
// the host started again since `number` was read may have been marked
// anew: that mark is the running request's, so it goes back, and the next
// look tells whether that request is done. At worst a mark the host had
// already cleared comes back as one more call-back; none is ever lost.
inline bool TakeNoticeMark(TKanal& k, uint32_t number) {
    if (k.CekaCallBack.exchange(0) != 1) return false;
    if (RequestNumberOf(k) == number) return true;
    k.CekaCallBack = 1;
    return false;
}

// After the notice: an input waits for the host to fetch its value, an
// output's request is over.
inline void AfterNotice(TKanal& k, bool input) {
    if (StateOf(k) == TRequestState::Stored) k.StavPozadavku = input ? TRequestState::Reported : TRequestState::None;
}

// InputFinalized found it done: the host has its answer and needs no notice.
inline void ReportDone(TKanal& k) {
    k.CekaCallBack = 0;
    k.StavPozadavku = TRequestState::Reported;
}

// GetInput fetched the reported value.
inline void Collect(TKanal& k) {
    if (StateOf(k) == TRequestState::Reported) k.StavPozadavku = TRequestState::None;
}
