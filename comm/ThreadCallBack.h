// The call-back thread: tells the host about completed requests that it
// marked, and finishes marked requests that overran their interface's time
// allowance with status 26.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "config/Model.h"
#include "platform/Thread.h"

// Its waits are taken on the instance's CallBackAlarm, which the host and
// the interface threads ring when a channel is marked or a marked one
// finishes.
class TThreadCallBack final : public TThread {
public:
    TThreadCallBack(TData* d, TCallBack cb, int32_t context);
    ~TThreadCallBack() override;  // Stop + Join

    bool Start();

    void Execute() override;
    // Returns whether channel c is still marked for a call-back afterwards.
    bool CheckChannel(int c);

    // One scan of 99..6099; whether any channel stays marked.
    bool ScanAll();
    // Looks at the channels rung for together with those still marked at
    // their last look, in channel order; false (and nothing looked at) when
    // none was rung. `marked` tells whether any channel stays marked.
    bool ScanRung(bool& marked);

    TData* PData;
    TCallBack CallBack;
    int32_t KontextCallBack;

private:
    // Channels seen marked at their last look; the thread's own.
    class TChannelSet {
    public:
        void Add(int c) { words_[Index(c) / 64] |= uint64_t{1} << (Index(c) % 64); }
        void Remove(int c) { words_[Index(c) / 64] &= ~(uint64_t{1} << (Index(c) % 64)); }
        void Clear() {
            for (auto& s : words_) s = 0;
        }
        bool Empty() const {
            for (auto s : words_)
                if (s != 0) return false;
            return true;
        }
        // Ascending; f may remove the channel it is given.
        template <class F>
        void ForEach(F&& f) {
            for (std::size_t w = 0; w < Words; ++w)
                for (uint64_t b = words_[w]; b != 0; b &= b - 1)
                    f(FirstChannel + static_cast<int>(w * 64) + __builtin_ctzll(b));
        }

    private:
        static constexpr std::size_t Words = (LastChannel - FirstChannel + 1 + 63) / 64;
        static unsigned Index(int c) { return static_cast<unsigned>(c - FirstChannel); }
        uint64_t words_[Words] = {};
    };

    void NotifyHost(int c, TKanal& k, uint32_t request);

    TChannelSet marked_;
};
