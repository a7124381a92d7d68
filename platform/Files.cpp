#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>

namespace {

constexpr int kFlags = O_CLOEXEC | O_NONBLOCK;
constexpr std::size_t kMaxPieces = 8;

bool WriteAll(int fd, iovec* iov, int n) {
    while (n > 0) {
        const ssize_t w = writev(fd, iov, n);
        if (w < 0 && errno == EINTR) continue;
        if (w == 0) errno = EIO;  // nothing written, and no error said why
        if (w <= 0) return false;
        std::size_t z = static_cast<std::size_t>(w);
        while (n > 0 && z >= iov->iov_len) {
            z -= iov->iov_len;
            ++iov;
            --n;
        }
        if (n > 0) {
            iov->iov_base = static_cast<char*>(iov->iov_base) + z;
            iov->iov_len -= z;
        }
    }
    return true;
}

}  // namespace

TFile& TFile::operator=(TFile&& o) noexcept {
    if (this != &o) {
        Close();
        fd_ = o.fd_;
        error_ = o.error_;
        o.fd_ = -1;
    }
    return *this;
}

TFile TFile::Open(const char* path, int flags) {
    const int fd = open(path, flags | kFlags, 0666);
    return TFile(fd, fd < 0 ? errno : 0);
}

TFile TFile::Append(const char* path) { return Open(path, O_WRONLY | O_APPEND | O_CREAT); }

// Anything at the path (a directory too) counts as existing.
TFile TFile::AppendExisting(const char* path, bool& missing) {
    TFile f = Open(path, O_WRONLY | O_APPEND);
    missing = !f.IsOpen() && (errno == ENOENT || errno == ENOTDIR);
    return f;
}

TFile TFile::Empty(const char* path) { return Open(path, O_WRONLY | O_APPEND | O_CREAT | O_TRUNC); }

TFile TFile::Read(const char* path) { return Open(path, O_RDONLY | O_NOCTTY); }

bool TFile::Write(std::initializer_list<std::string_view> pieces) {
    if (fd_ < 0 || pieces.size() > kMaxPieces) return false;
    iovec iov[kMaxPieces];
    int n = 0;
    for (std::string_view p : pieces) iov[n++] = {const_cast<char*>(p.data()), p.size()};
    if (WriteAll(fd_, iov, n)) return true;
    error_ = errno;
    return false;
}

int64_t TFile::Size() const { return fd_ >= 0 ? static_cast<int64_t>(lseek(fd_, 0, SEEK_END)) : -1; }

long TFile::ReadSome(char* buf, std::size_t n) {
    if (fd_ < 0) return -1;
    ssize_t r;
    do r = read(fd_, buf, n); while (r < 0 && errno == EINTR);
    return static_cast<long>(r);
}

bool TFile::ReadAll(std::string& out, uint64_t max) {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > max) return false;
    try {
        out.clear();
        out.reserve(static_cast<std::size_t>(st.st_size));
        char chunk[16384];
        for (;;) {
            const ssize_t r = read(fd_, chunk, sizeof chunk);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                error_ = errno;
                return false;
            }
            if (r == 0) return true;
            if (out.size() + static_cast<std::size_t>(r) > max) return false;  // grew meanwhile
            out.append(chunk, static_cast<std::size_t>(r));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TFile::Close() {
    if (fd_ < 0) return true;
    const bool ok = close(fd_) == 0;
    if (!ok) error_ = errno;
    fd_ = -1;
    return ok;
}

// The path is used as the bytes it was written with, exactly as the log
// writers open it.
bool CreateDirectories(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    std::error_code e;
    if (std::filesystem::is_directory(p, e)) return true;
    std::filesystem::create_directories(p, e);
    return std::filesystem::is_directory(p, e);
}

bool RecreateDirectory(const std::string& path, bool& created) {
    created = false;
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    std::error_code e;
    if (p.empty()) return false;
    if (std::filesystem::is_directory(p, e)) return true;
    created = std::filesystem::create_directories(p, e);
    return std::filesystem::is_directory(p, e);
}
