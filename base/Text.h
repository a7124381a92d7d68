// A fixed-capacity text builder for trace and log lines: no allocation on
// the request path. Text beyond the capacity is dropped.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t Kapacita>
class TText {
public:
    TText() = default;
    template <class... A>
    explicit TText(const A&... segments) { (Add(segments), ...); }

    TText& Add(std::string_view t) {
        const std::size_t k = t.size() < Kapacita - n_ ? t.size() : Kapacita - n_;
        if (k != 0) std::memcpy(b_ + n_, t.data(), k);  // an empty view may carry a null pointer
        n_ += k;
        return *this;
    }
    TText& Add(const char* t) { return Add(std::string_view(t)); }
    TText& Add(const std::string& t) { return Add(std::string_view(t)); }
    TText& Add(char c) { return Add(std::string_view(&c, 1)); }
    TText& Add(int32_t v) { return Cislo(static_cast<long long>(v)); }
    TText& Add(int64_t v) { return Cislo(static_cast<long long>(v)); }
    TText& Add(uint32_t v) { return Cislo(static_cast<unsigned long long>(v)); }
    TText& Add(uint64_t v) { return Cislo(static_cast<unsigned long long>(v)); }
    TText& Add(uint8_t v) { return Cislo(static_cast<unsigned long long>(v)); }
    TText& Add(uint16_t v) { return Cislo(static_cast<unsigned long long>(v)); }
    // General notation with up to 15 significant digits, '.' as separator.
    TText& Add(double v) {
        char t[40];
        auto r = std::to_chars(t, t + sizeof t, v, std::chars_format::general, 15);
        return Add(std::string_view(t, static_cast<std::size_t>(r.ptr - t)));
    }
    template <class C>
    TText& Cislo(C v) {
        char t[24];
        auto r = std::to_chars(t, t + sizeof t, v);
        return Add(std::string_view(t, static_cast<std::size_t>(r.ptr - t)));
    }
    // Upper-case hexadecimal, zero-padded to at least `digits` digits.
    TText& Hex(uint64_t v, int digits) {
        char t[17];
        int k = 0;
        do { t[16 - k++] = "0123456789ABCDEF"[v & 15]; v >>= 4; } while (v != 0 && k < 16);
        while (k < digits && k < 16) t[16 - k++] = '0';
        return Add(std::string_view(t + 17 - k, static_cast<std::size_t>(k)));
    }
    void Truncate(std::size_t n) { if (n < n_) n_ = n; }
    void TrimBlanks() { while (n_ > 0 && b_[n_ - 1] == ' ') --n_; }
    void Clear() { n_ = 0; }

    std::string_view sv() const { return {b_, n_}; }
    operator std::string_view() const { return sv(); }
    std::string str() const { return std::string(b_, n_); }
    std::size_t size() const { return n_; }
    bool empty() const { return n_ == 0; }

private:
    char b_[Kapacita];
    std::size_t n_ = 0;
};

using TLine = TText<512>;
