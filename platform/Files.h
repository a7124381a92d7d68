// Files and directories as the logs and the parameter file need them: a
// line appended in one piece, a file rewritten, a size, a whole file read,
// directories created. Every open is O_CLOEXEC and O_NONBLOCK: a named pipe
// at a log's path must not stop the calling thread (no effect on plain
// files). Failures are values.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/Text.h"

// Longer paths than the system takes are refused before any open.
inline constexpr std::size_t MaxPath = 4096;
using TPath = TText<MaxPath + 64>;

// Terminates a built path; false when it is too long to be used.
inline bool FinishPath(TPath& p) {
    if (p.size() >= MaxPath) return false;
    p.Add('\0');
    return true;
}

class TFile {
public:
    TFile() = default;
    TFile(TFile&& o) noexcept : fd_(o.fd_), error_(o.error_) { o.fd_ = -1; }
    TFile& operator=(TFile&& o) noexcept;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile() { Close(); }

    // For appending; created when missing.
    static TFile Append(const char* path);
    // For appending to what is there; `missing` tells whether nothing was.
    static TFile AppendExisting(const char* path, bool& missing);
    // Emptied, or created empty, for writing.
    static TFile Empty(const char* path);
    static TFile Read(const char* path);

    bool IsOpen() const { return fd_ >= 0; }
    // Writes all of the pieces; a short write goes on where it stopped.
    bool Write(std::initializer_list<std::string_view> pieces);
    int64_t Size() const;  // from the open descriptor: no second look-up by path
    // At most n bytes from the start; the count, or -1.
    long ReadSome(char* buf, std::size_t n);
    // The whole of a regular file of at most `max` bytes; false for anything
    // else (a directory, a FIFO or device could block or never end).
    bool ReadAll(std::string& out, uint64_t max);
    bool Close();  // false when the last write failed to reach the file
    // The system's error number of the last failed open, write, read or
    // close; 0 when none failed or the failure had none (not a plain file).
    int Error() const { return error_; }

private:
    explicit TFile(int fd, int error) : fd_(fd), error_(error) {}
    static TFile Open(const char* path, int flags);

    int fd_ = -1;
    int error_ = 0;
};

// The directory and its parents; true when it is a directory afterwards.
bool CreateDirectories(const std::string& path);
// For a log directory that disappeared while the driver runs: creates it
// and its parents again when it is not there. True when it is a directory
// afterwards; `created` when this call made it (of several callers at once
// only one does).
bool RecreateDirectory(const std::string& path, bool& created);
