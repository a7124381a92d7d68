// Shared-field primitives of the driver state.
//
// Sharing scheme: the driver state is read and written by the host's thread,
// up to 16 interface threads, the call-back thread and the window's timer
// without a lock on the tables. Every scalar field that more than one thread
// touches is an Atom<T>: a std::atomic with relaxed ordering that still copies
// and assigns like a plain field, so records stay plain records. Publication
// points use explicit orderings:
//   - TKanal::Hotovo is a TFlag: result fields are stored first (relaxed),
//     then Hotovo with release; readers load Hotovo with acquire before they
//     read the result fields.
//   - TFronta::PocetPotvrzenych is raised with release after the queue slots
//     are written and read with acquire by the interface thread.
// Texts that change at run time (TKanal::Dotaz, Odpoved) are TGuardedText,
// a string behind a short spin lock. All other texts are written only by
// Init, before any thread starts, and are read-only afterwards.
// Multi-field consistency for the diagnostic window comes from one lock,
// TData::WindowLock, held by every writer of shown records and by each refresh.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

template <class T>
class Atom {
public:
    constexpr Atom() noexcept : v_(T{}) {}
    constexpr Atom(T x) noexcept : v_(x) {}
    Atom(const Atom& o) noexcept : v_(o.load()) {}
    Atom& operator=(const Atom& o) noexcept { store(o.load()); return *this; }
    Atom& operator=(T x) noexcept { store(x); return *this; }
    operator T() const noexcept { return load(); }

    T load(std::memory_order mo = std::memory_order_relaxed) const noexcept { return v_.load(mo); }
    void store(T x, std::memory_order mo = std::memory_order_relaxed) noexcept { v_.store(x, mo); }
    T exchange(T x, std::memory_order mo = std::memory_order_acq_rel) noexcept { return v_.exchange(x, mo); }
    T fetch_add(T d, std::memory_order mo = std::memory_order_relaxed) noexcept { return v_.fetch_add(d, mo); }
    T fetch_sub(T d, std::memory_order mo = std::memory_order_relaxed) noexcept { return v_.fetch_sub(d, mo); }
    // Only for fields with a single writer: a plain load and store, no RMW.
    void Add(T d) noexcept { store(static_cast<T>(load() + d)); }

private:
    std::atomic<T> v_;
};

// A one-byte 0/1 flag that publishes the fields written before it.
class TFlag {
public:
    constexpr TFlag() noexcept = default;
    TFlag(const TFlag& o) noexcept : v_(o.load()) {}
    TFlag& operator=(const TFlag& o) noexcept { v_.store(o.load(), std::memory_order_release); return *this; }
    TFlag& operator=(uint8_t x) noexcept { v_.store(x, std::memory_order_release); return *this; }
    operator uint8_t() const noexcept { return load(); }
    uint8_t load() const noexcept { return v_.load(std::memory_order_acquire); }

private:
    std::atomic<uint8_t> v_{0};
};

// A text written by one thread while others may copy it.
class TGuardedText {
public:
    TGuardedText() = default;
    TGuardedText(const TGuardedText& o) : s_(o.Read()) {}
    TGuardedText& operator=(const TGuardedText& o) {
        if (this != &o) Set(o.Read());
        return *this;
    }
    void Set(std::string_view t) {
        Lock();
        s_.assign(t.data(), t.size());  // reuses capacity: no allocation once grown
        lock_.clear(std::memory_order_release);
    }
    std::string Read() const {
        Lock();
        std::string copy = s_;
        lock_.clear(std::memory_order_release);
        return copy;
    }

private:
    void Lock() const {
        while (lock_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    mutable std::atomic_flag lock_;
    std::string s_;
};

// A fixed array indexed by the domain's own numbers Od..Do (channel numbers,
// interface numbers, module addresses, queue slots).
template <class T, int Low, int High>
struct FixedArray {
    static constexpr int First = Low;
    static constexpr int Last = High;
    static constexpr std::size_t Size = static_cast<std::size_t>(High - Low + 1);
    static constexpr bool Contains(long long i) noexcept { return i >= Low && i <= High; }

    T& operator[](long long i) noexcept { return p[i - Low]; }
    const T& operator[](long long i) const noexcept { return p[i - Low]; }
    T* begin() noexcept { return p; }
    T* end() noexcept { return p + Size; }
    const T* begin() const noexcept { return p; }
    const T* end() const noexcept { return p + Size; }

    T p[Size];
};
