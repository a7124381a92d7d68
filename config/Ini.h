// Portable reader of the parameter file: loading with encoding detection,
// the INI view of the file and the integer syntax shared with the channel
// declarations. Every text here is code page 1250.
//
// INI syntax: a line "[name]" opens a section, a line "key=value" belongs to
// the section opened last, every other line (";" comments included) is
// ignored. Section and key names match without regard to letter case, Czech
// letters included. The value is the text after the first '=' with blanks
// trimmed; one matching pair of enclosing quotes ('...' or "...") is removed.
// Choices the syntax leaves open:
//   - the first section of a name wins, later sections of that name are
//     ignored as a whole; within it the first line of a key wins;
//   - a value is cut to 2047 bytes, the profile buffer of the classic
//     platform, so no single text can grow without bound;
//   - a NUL byte ends its line, as it would in a C-string profile reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::size_t MaxIniValue = 2047;
// Larger files are treated as unreadable: no parameter file comes near it,
// and it keeps the host's memory safe from a wrong path.
inline constexpr std::uint64_t MaxParameterFile = 256ull << 20;

// Code page 1250 lower-case letter for any byte; other bytes unchanged.
unsigned char FoldCase(unsigned char c);
bool SameName(std::string_view a, std::string_view b);

// Decimal with an optional sign, or hexadecimal after "0x" or "$" (a 32-bit
// pattern, so $FFFFFFFF is -1). Anything else, or a value that does not fit
// 32 bits, is not an integer.
bool ParseInt(std::string_view text, int32_t& value);

// Whole file as code page 1250. A UTF-8 file (BOM, or valid UTF-8 with
// non-ASCII bytes) is converted; anything else is taken byte for byte.
// False when the file is missing, not a regular file, unreadable or larger
// than MaxParameterFile. A name that fails is retried in UTF-8 when it has
// non-ASCII bytes, as host names come in code page 1250.
// `error` gets the system's error number of the failure, 0 when it had none.
bool LoadParameterFile(const std::string& path, std::string& text, int* error = nullptr);
std::string DecodeParameterText(std::string raw);

// The lines of one section; empty when the section is absent.
class TIniSection {
public:
    bool Found() const { return found_; }
    std::string ReadString(std::string_view key, std::string_view def) const;
    int32_t ReadInteger(std::string_view key, int32_t def) const;

    // Every key line in file order, as views into the file's text, for tools
    // that check a file; the readers never need it.
    struct TEntry {
        std::string_view Key;
        std::string_view Value;
    };
    std::vector<TEntry> Entries() const;

private:
    friend class TIniFile;
    bool Find(std::string_view key, std::string_view& value) const;

    std::string_view body_;
    bool found_ = false;
};

// The INI view of a parameter file. Sections are views into the text, so a
// section must not outlive its file object.
class TIniFile {
public:
    TIniFile() = default;
    explicit TIniFile(std::string text) : text_(std::move(text)) {}
    // False when the file cannot be read; every key then reads as absent.
    bool Load(const std::string& path);
    int LoadError() const { return loadError_; }  // the system's error number of a failed Load
    std::string_view Text() const { return text_; }
    TIniSection Section(std::string_view name) const;
    // The names of every section header line in file order, as views into
    // the text (so a name's line follows from its position).
    std::vector<std::string_view> Headers() const;

private:
    std::string text_;
    int loadError_ = 0;
};
