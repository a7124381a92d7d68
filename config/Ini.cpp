#include "config/Ini.h"

#include <array>
#include <cstring>
#include <utility>

#include "base/Cp1250.h"
#include "platform/Files.h"
#include "platform/SystemError.h"

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 0x20);
    // Š Ś Ť Ž Ź Ł Ą Ş Ż Ľ and their small letters, scattered over 0x8A..0xBF.
    constexpr unsigned char pairs[][2] = {
        {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F},
        {0xA3, 0xB3}, {0xA5, 0xB9}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xBC, 0xBE}};
    for (const auto& p : pairs) t[p[0]] = p[1];
    // 0xC0..0xDE are capitals whose small letter is 0x20 higher; 0xD7 is ×.
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 0x20);
    return t;
}

constexpr std::array<unsigned char, 256> FoldTable = MakeFoldTable();

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Next line of the text from pos; a NUL ends the line's content.
std::string_view NextLine(std::string_view text, std::size_t& pos) {
    const std::size_t end = text.find('\n', pos);
    const std::size_t stop = end == std::string_view::npos ? text.size() : end;
    std::string_view line = text.substr(pos, stop - pos);
    pos = stop == text.size() ? stop : stop + 1;
    const std::size_t nul = line.find('\0');
    if (nul != std::string_view::npos) line = line.substr(0, nul);
    return line;
}

bool HeaderName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    line = Trim(line);
    if (line.empty() || line.front() == ';') return false;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\''))
        return v.substr(1, v.size() - 2);
    return v;
}

bool ParseDigits(std::string_view s, unsigned base, uint64_t limit, uint64_t& v) {
    if (s.empty()) return false;
    v = 0;
    for (char ch : s) {
        unsigned d;
        if (ch >= '0' && ch <= '9') d = static_cast<unsigned>(ch - '0');
        else if (base == 16 && ch >= 'a' && ch <= 'f') d = static_cast<unsigned>(ch - 'a' + 10);
        else if (base == 16 && ch >= 'A' && ch <= 'F') d = static_cast<unsigned>(ch - 'A' + 10);
        else return false;
        v = v * base + d;
        if (v > limit) return false;  // stops before any overflow of v
    }
    return true;
}

bool ReadPath(const std::string& path, std::string& out, int& error) {
    error = 0;
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    TFile f = TFile::Read(path.c_str());  // non-blocking: opening a FIFO must not wait for a writer
    if (f.ReadAll(out, MaxParameterFile)) return true;
    error = f.Error();
    return false;
}

// Index of the first byte >= 0x80, or the size. Eight bytes at a time:
// parameter files are almost all ASCII.
std::size_t FirstNonAscii(std::string_view s, std::size_t from = 0) {
    std::size_t i = from;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if ((w & 0x8080808080808080ull) != 0) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

bool HasNonAscii(std::string_view s) { return FirstNonAscii(s) < s.size(); }

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = FirstNonAscii(s); i < s.size(); i = FirstNonAscii(s, i)) {
        char32_t z = 0;
        const std::size_t d = cp1250::DecodeUtf8(s.data(), s.size(), i, z);
        if (d == 0) return false;
        i += d;
    }
    return true;
}

// Code page byte of every two-byte sequence's code point (U+0080..U+07FF);
// '?' where the code page has none.
constexpr std::array<unsigned char, 0x800> MakeTwoByteTable() {
    std::array<unsigned char, 0x800> t{};
    for (auto& b : t) b = '?';
    for (int i = 0; i < 128; ++i) {
        const char16_t z = cp1250::UpperHalf[i];
        if (z != 0 && z < 0x800) t[z] = static_cast<unsigned char>(0x80 + i);
    }
    return t;
}

constexpr std::array<unsigned char, 0x800> TwoByteTable = MakeTwoByteTable();

// UTF-8 to code page 1250 in the same buffer: no character grows, so the
// write position never passes the read position. Same result as
// cp1250::FromUtf8: a malformed byte or an unmappable character becomes '?'.
// Reading starts at `from`, writing at 0.
void Utf8ToCp1250InPlace(std::string& s, std::size_t from) {
    std::size_t w = 0;
    std::size_t i = from;
    while (i < s.size()) {
        const std::size_t ascii = FirstNonAscii(s, i);
        if (w != i) std::memmove(s.data() + w, s.data() + i, ascii - i);
        w += ascii - i;
        i = ascii;
        if (i >= s.size()) break;
        char32_t z = 0;
        std::size_t d = cp1250::DecodeUtf8(s.data(), s.size(), i, z);
        if (d == 0) {
            d = 1;
            z = U'?';
        }
        const int b = z < 0x800 ? TwoByteTable[z] : cp1250::ByteOfChar(z);
        s[w++] = static_cast<char>(b < 0 ? '?' : b);
        i += d;
    }
    s.resize(w);
}

}  // namespace

unsigned char FoldCase(unsigned char c) { return FoldTable[c]; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldTable[static_cast<unsigned char>(a[i])] != FoldTable[static_cast<unsigned char>(b[i])]) return false;
    return true;
}

bool ParseInt(std::string_view text, int32_t& value) {
    uint64_t v = 0;
    if (text.starts_with('$') || text.starts_with("0x") || text.starts_with("0X")) {
        if (!ParseDigits(text.substr(text[0] == '$' ? 1 : 2), 16, 0xFFFFFFFFull, v)) return false;
        value = static_cast<int32_t>(static_cast<uint32_t>(v));
        return true;
    }
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    if (!ParseDigits(text, 10, negative ? 0x80000000ull : 0x7FFFFFFFull, v)) return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
    return true;
}

std::string DecodeParameterText(std::string raw) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    // A BOM declares UTF-8 outright; stray malformed bytes then become '?'.
    if (std::string_view(raw).starts_with(bom)) {
        Utf8ToCp1250InPlace(raw, bom.size());
    } else if (HasNonAscii(raw) && ValidUtf8(raw)) {
        Utf8ToCp1250InPlace(raw, 0);
    }
    return raw;
}

bool LoadParameterFile(const std::string& path, std::string& text, int* error) {
    std::string raw;
    int e = 0;
    bool ok = ReadPath(path, raw, e);
    if (!ok && HasNonAscii(path)) {
        const int first = e;
        ok = ReadPath(cp1250::ToUtf8(path), raw, e);
        if (!ok && IsNameError(e)) e = first;  // the UTF-8 name only says it leads nowhere
    }
    if (error != nullptr) *error = ok ? 0 : e;
    if (!ok) {
        text.clear();
        return false;
    }
    text = DecodeParameterText(std::move(raw));
    return true;
}

bool TIniFile::Load(const std::string& path) { return LoadParameterFile(path, text_, &loadError_); }

TIniSection TIniFile::Section(std::string_view name) const {
    const std::string_view text = text_;
    TIniSection s;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::string_view header;
        if (!HeaderName(NextLine(text, pos), header) || !SameName(header, name)) continue;
        const std::size_t begin = pos;
        std::size_t end = pos;
        while (pos < text.size()) {
            std::string_view other;
            if (HeaderName(NextLine(text, pos), other)) break;
            end = pos;
        }
        s.body_ = text.substr(begin, end - begin);
        s.found_ = true;
        return s;
    }
    return s;
}

std::vector<std::string_view> TIniFile::Headers() const {
    const std::string_view text = text_;
    std::vector<std::string_view> names;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::string_view header;
        if (HeaderName(NextLine(text, pos), header)) names.push_back(header);
    }
    return names;
}

std::vector<TIniSection::TEntry> TIniSection::Entries() const {
    std::vector<TEntry> entries;
    std::size_t pos = 0;
    while (pos < body_.size()) {
        std::string_view k;
        std::string_view v;
        if (KeyLine(NextLine(body_, pos), k, v)) entries.push_back({k, v});
    }
    return entries;
}

bool TIniSection::Find(std::string_view key, std::string_view& value) const {
    std::size_t pos = 0;
    while (pos < body_.size()) {
        std::string_view k;
        std::string_view v;
        if (KeyLine(NextLine(body_, pos), k, v) && SameName(k, key)) {
            value = Unquote(v);
            return true;
        }
    }
    return false;
}

std::string TIniSection::ReadString(std::string_view key, std::string_view def) const {
    std::string_view v;
    if (!Find(key, v)) return std::string(def);
    return std::string(v.substr(0, MaxIniValue));
}

int32_t TIniSection::ReadInteger(std::string_view key, int32_t def) const {
    std::string_view v;
    int32_t n = 0;
    if (!Find(key, v) || !ParseInt(v.substr(0, MaxIniValue), n)) return def;
    return n;
}
