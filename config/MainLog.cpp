#include "config/MainLog.h"

#include <cerrno>
#include <charconv>

#include "base/Cp1250.h"
#include "base/Text.h"
#include "platform/Files.h"
#include "platform/SystemError.h"

namespace {

// Directory + file name with its terminating zero; false when too long.
bool BuildPath(TPath& c, std::string_view directory, std::string_view name) {
    c.Add(directory).Add(name);
    return FinishPath(c);
}

const TRegionalSettings& DefaultFormats() {
    static const TRegionalSettings l;
    return l;
}

// Result 0 with an open file, 1 when the existing file cannot be opened, 2
// when the missing file cannot be created.
uint8_t OpenMainLog(const char* filePath, TFile& f) {
    bool missing = false;
    f = TFile::AppendExisting(filePath, missing);
    if (f.IsOpen()) return 0;
    if (!missing) return 1;
    f = TFile::Append(filePath);
    return f.IsOpen() ? 0 : 2;
}

TMainLogWrite WriteOnce(const TData* d, const TCFG& cfg, std::string_view message, const uint32_t* number) {
    TPath filePath;
    if (!BuildPath(filePath, cfg.LogAdresar, cfg.LogNazev)) return {2, ENAMETOOLONG};
    TFile f;
    const uint8_t openResult = OpenMainLog(filePath.sv().data(), f);
    if (openResult != 0) return {openResult, f.Error()};

    const TRegionalSettings& regional = d ? d->Regional : DefaultFormats();
    char date[160];
    const std::size_t n = FormatDateTime(regional, LocalTimeOf(Clock(d).RealMs()), date, sizeof date);
    TText<192> head;
    head.Add('[').Add(std::string_view(date, n)).Add("] ");
    TText<16> tail;
    if (number) tail.Add(*number);
    tail.Add("\r\n");

    const bool written = f.Write({head.sv(), message, tail.sv()});
    const bool closed = f.Close();
    if (written && closed) return {};
    return {3, f.Error()};
}

TMainLogWrite WriteMain(const TData* d, const TCFG& cfg, std::string_view message, const uint32_t* number) {
    if (cfg.LogPovolen == 0) return {};
    TMainLogWrite v = WriteOnce(d, cfg, message, number);
    if (v.Kod != 0 && RestoreLogDirectory(d, cfg, v.Error)) v = WriteOnce(d, cfg, message, number);
    if (v.Kod == 0) {
        LogWritten(d, TLogKind::Main);
    } else {
        LogWriteFailed(d, TLogKind::Main, 0, v.Error);
    }
    return v;
}

// "hlavního logu", "logu RUN", "logu rozhraní 3": the log after "Do ".
TText<32> LogName(TLogKind kind, int rozhrani) {
    switch (kind) {
        case TLogKind::Main: return TText<32>("hlavního logu"_cp);
        case TLogKind::Run: return TText<32>("logu RUN");
        case TLogKind::Err: return TText<32>("logu Err");
        case TLogKind::Interface: return TText<32>("logu rozhraní "_cp, static_cast<int32_t>(rozhrani));
        case TLogKind::CallBack: break;
    }
    return TText<32>("logu call-back");
}

// The first line as a decimal integer, blanks around it allowed.
bool ParseFirstLine(std::string_view t, int32_t& hodnota) {
    const std::size_t tail = t.find_first_of("\r\n");
    if (tail != std::string_view::npos) t = t.substr(0, tail);
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), hodnota);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool ReadFirstLine(const char* filePath, int32_t& hodnota) {
    TFile f = TFile::Read(filePath);  // a named pipe reads as empty
    char b[256];
    const long n = f.ReadSome(b, sizeof b);
    return n > 0 && ParseFirstLine(std::string_view(b, static_cast<std::size_t>(n)), hodnota);
}

}  // namespace

uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view message) {
    return WriteMain(d, cfg, message, nullptr).Kod;
}

uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view message, uint32_t number) {
    return WriteMain(d, cfg, message, &number).Kod;
}

TMainLogWrite WriteMainLog(const TData* d, const TCFG& cfg, std::string_view message) {
    return WriteMain(d, cfg, message, nullptr);
}

std::string WithSystemReason(std::string_view text, int error) {
    std::string t(text);
    const std::string_view reason = SystemErrorText(error);
    if (!reason.empty() && !IsNameError(error)) t.append(" (systémová chyba: "_cp).append(reason).append(")");
    return t;
}

void LogWriteFailed(const TData* d, TLogKind kind, int rozhrani, int error) {
    if (d == nullptr) return;
    TLogFailures& n = d->LogFailures;
    const std::size_t soubor = LogFileSlot(kind, rozhrani);
    n.Failed[static_cast<std::size_t>(kind)].fetch_add(1);
    n.Lost[soubor].fetch_add(1);
    // The main log cannot tell that it fails; it tells when it works again.
    if (n.Failing[soubor].exchange(1) != 0 || kind == TLogKind::Main) return;
    TLine t("Do ", LogName(kind, rozhrani).sv(), " nelze zapisovat");
    if (const std::string_view reason = SystemErrorText(error); !reason.empty()) t.Add(" (").Add(reason).Add(")");
    t.Add(", jeho řádky se ztrácejí."_cp);
    ZapisDoLogu(d, d->Cfg, t.sv());
}

void LogWritesResumed(const TData* d, TLogKind kind, int rozhrani) {
    TLogFailures& n = d->LogFailures;
    const std::size_t soubor = LogFileSlot(kind, rozhrani);
    // Cleared before the main log is written: that write must not come back here.
    if (n.Failing[soubor].exchange(0) == 0) return;
    const uint64_t lost = n.Lost[soubor].exchange(0);
    TLine t("Do ", LogName(kind, rozhrani).sv(), " lze opět zapisovat, ztracených řádků: "_cp, lost);
    ZapisDoLogu(d, d->Cfg, t.sv());
}

bool RestoreLogDirectory(const TData* d, const TCFG& cfg, int error) {
    // Only a directory that Init saw: one that was never there stays a
    // failure, as it always was.
    if (error != ENOENT || d == nullptr || d->LogDirectoryExists == 0 || cfg.LogAdresar != d->Cfg.LogAdresar)
        return false;
    bool created = false;
    if (!RecreateDirectory(cfg.LogAdresar, created)) return false;
    if (created) {
        TLine t("Adresář LOG souborů \""_cp, cfg.LogAdresar, "\" chyběl, byl znovu vytvořen."_cp);
        ZapisDoLogu(d, d->Cfg, t.sv());
    }
    return true;
}

void CtiRunInfo(TCFG& cfg) {
    TPath filePath;
    int32_t number = 0;
    if (BuildPath(filePath, cfg.LogAdresar, RunInfoFileName) && ReadFirstLine(filePath.sv().data(), number)) {
        cfg.RunCislo = number;
        return;
    }
    cfg.RunCislo = 1;
    ZapisRunInfo(cfg);
}

void ZapisRunInfo(const TCFG& cfg) {
    TPath filePath;
    if (!BuildPath(filePath, cfg.LogAdresar, RunInfoFileName)) return;
    TFile f = TFile::Empty(filePath.sv().data());
    TText<16> content;
    content.Add(static_cast<int32_t>(cfg.RunCislo)).Add("\r\n");
    f.Write({content.sv()});
}
