#include "config/HlavniLog.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "config/Radek.h"

namespace {

// Longer paths than the system takes are refused before any open.
constexpr std::size_t MaxCesta = 4096;
using TCesta = TText<MaxCesta + 64>;

// Directory + file name with its terminating zero; false when too long.
bool SestavCestu(TCesta& c, std::string_view adresar, std::string_view jmeno) {
    c.Pridej(adresar).Pridej(jmeno);
    if (c.size() >= MaxCesta) return false;
    c.Pridej('\0');
    return true;
}

const TLokalizace& VychoziLokalizace() {
    static const TLokalizace l;
    return l;
}

// Writes all of the pieces; a short write goes on where it stopped.
bool ZapisVse(int fd, iovec* iov, int n) {
    while (n > 0) {
        const ssize_t w = writev(fd, iov, n);
        if (w < 0 && errno == EINTR) continue;
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

iovec Kus(std::string_view t) { return {const_cast<char*>(t.data()), t.size()}; }

// Result 0 with an open descriptor, 1 when the existing file cannot be
// opened, 2 when the missing file cannot be created. Anything at the path
// (a directory too) counts as existing.
// O_NONBLOCK: a named pipe at the path must not stop the host's thread (no
// effect on plain files).
uint8_t OtevriHlavniLog(const char* cesta, int& fd) {
    fd = open(cesta, O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) return 0;
    if (errno != ENOENT && errno != ENOTDIR) return 1;
    fd = open(cesta, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    return fd >= 0 ? 0 : 2;
}

uint8_t Zapis(const TData* d, const TCFG& cfg, std::string_view zprava, const uint32_t* cislo) {
    if (cfg.LogPovolen == 0) return 0;
    TCesta cesta;
    if (!SestavCestu(cesta, cfg.LogAdresar, cfg.LogNazev)) return 2;
    int fd = -1;
    const uint8_t otevreni = OtevriHlavniLog(cesta.sv().data(), fd);
    if (otevreni != 0) return otevreni;

    const TLokalizace& lok = d ? d->Lokalizace : VychoziLokalizace();
    char datum[160];
    const std::size_t n = FormatDateTime(lok, RozlozCas(Hodiny(d).RealMs()), datum, sizeof datum);
    TText<192> hlava;
    hlava.Pridej('[').Pridej(std::string_view(datum, n)).Pridej("] ");
    TText<16> konec;
    if (cislo) konec.Pridej(*cislo);
    konec.Pridej("\r\n");

    iovec kusy[3] = {Kus(hlava), Kus(zprava), Kus(konec)};
    const bool zapsano = ZapisVse(fd, kusy, 3);
    const bool zavreno = close(fd) == 0;
    return zapsano && zavreno ? 0 : 3;
}

// The first line as a decimal integer, blanks around it allowed.
bool PrevedRadek(std::string_view t, int32_t& hodnota) {
    const std::size_t konec = t.find_first_of("\r\n");
    if (konec != std::string_view::npos) t = t.substr(0, konec);
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), hodnota);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool CtiPrvniRadek(const char* cesta, int32_t& hodnota) {
    const int fd = open(cesta, O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a named pipe reads as empty
    if (fd < 0) return false;
    char b[256];
    ssize_t n;
    do n = read(fd, b, sizeof b); while (n < 0 && errno == EINTR);
    close(fd);
    return n > 0 && PrevedRadek(std::string_view(b, static_cast<std::size_t>(n)), hodnota);
}

}  // namespace

uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view zprava) {
    return Zapis(d, cfg, zprava, nullptr);
}

uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view zprava, uint32_t cislo) {
    return Zapis(d, cfg, zprava, &cislo);
}

void CtiRunInfo(TCFG& cfg) {
    TCesta cesta;
    int32_t cislo = 0;
    if (SestavCestu(cesta, cfg.LogAdresar, RunInfoSoubor) && CtiPrvniRadek(cesta.sv().data(), cislo)) {
        cfg.RunCislo = cislo;
        return;
    }
    cfg.RunCislo = 1;
    ZapisRunInfo(cfg);
}

void ZapisRunInfo(const TCFG& cfg) {
    TCesta cesta;
    if (!SestavCestu(cesta, cfg.LogAdresar, RunInfoSoubor)) return;
    const int fd = open(cesta.sv().data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return;
    TText<16> obsah;
    obsah.Pridej(static_cast<int32_t>(cfg.RunCislo)).Pridej("\r\n");
    iovec kus = Kus(obsah);
    ZapisVse(fd, &kus, 1);
    close(fd);
}
