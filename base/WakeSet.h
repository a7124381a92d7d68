// Channels that the call-back thread should look at now, one bit per channel
// 99..6099: a marking by the host and a marked request that has just
// finished. Looking at these few takes far less than a scan of all 6001
// records, which keeps a woken call-back thread from costing a scan per
// exchange. Any thread may add; only the call-back thread takes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class TWakeSet {
public:
    static constexpr int First = 99;
    static constexpr int Last = 6099;

    // Release: what the caller stored before (the mark, Hotovo) is seen by
    // the thread that takes the bit.
    void Add(int c) noexcept {
        if (c < First || c > Last) return;
        const unsigned i = static_cast<unsigned>(c - First);
        words_[i / 64].fetch_or(uint64_t{1} << (i % 64), std::memory_order_release);
    }

    // Takes every bit set so far and calls f(c) for each, in ascending
    // channel order. Returns whether there was any.
    template <class F>
    bool Take(F&& f) {
        bool any = false;
        for (std::size_t w = 0; w < Words; ++w) {
            if (words_[w].load(std::memory_order_relaxed) == 0) continue;
            uint64_t b = words_[w].exchange(0, std::memory_order_acquire);
            any = any || b != 0;
            for (; b != 0; b &= b - 1) f(First + static_cast<int>(w * 64) + __builtin_ctzll(b));
        }
        return any;
    }

private:
    static constexpr std::size_t Words = (Last - First + 1 + 63) / 64;
    std::atomic<uint64_t> words_[Words] = {};
};
