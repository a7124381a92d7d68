// The call-back thread: tells the host about completed requests that it
// marked, and finishes marked requests that overran their interface's time
// allowance with status 26.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "config/Model.h"

class TThreadCallBack {
public:
    TThreadCallBack(TData* d, TCallBack cb, int32_t kontext);
    ~TThreadCallBack();  // Ukonci + Pripoj
    TThreadCallBack(const TThreadCallBack&) = delete;
    TThreadCallBack& operator=(const TThreadCallBack&) = delete;

    bool Start();
    void Ukonci();
    void Pripoj();
    void Vzbud();  // a channel was marked or a marked one finished: scan now
    bool Ukoncuje() const { return stop_.load(std::memory_order_acquire); }

    void Execute();
    // Returns whether channel c is still marked for a call-back afterwards.
    bool KontrolaKanalu(int c);

    // The interface time-out of channel c: min(UdpOpakovani + 1, 16) *
    // LimitPozadavku + 1000 ms.
    static int32_t LimitRozhrani(const TData& d, const TKanal& k);

    TData* PData;
    TCallBack CallBack;
    int32_t KontextCallBack;

private:
    bool Prohledej();  // one scan of 99..6099; whether any channel stays marked
    // Looks at the channels rung for; false when none was. `oznacene` is set
    // when one of them stays marked.
    bool ProhledejVyzvy(bool& oznacene);
    void OhlasHostiteli(int c, TKanal& k);

    std::atomic<bool> stop_{false};
    std::thread vlakno_;
};
