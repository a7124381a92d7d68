#include "comm/CommLogs.h"

#include <cerrno>
#include <mutex>

#include "config/MainLog.h"
#include "config/Model.h"
#include "base/Text.h"
#include "platform/Files.h"

namespace {

// A RUN or Err file is full when size / 128 exceeds 20000.
constexpr int64_t FullSize = int64_t{128} * 20001;

using THead = TText<256>;

// 0, or the system's error number of a line that did not reach the file.
int AppendLine(const TPath& filePath, std::string_view a, std::string_view b, std::string_view c) {
    TFile f = TFile::Append(filePath.sv().data());
    if (f.Write({a, b, c}) && f.Close()) return 0;
    return f.Error() != 0 ? f.Error() : EIO;
}

// Runs one write (0 or an error number) and keeps the books of its log:
// only a failure costs more than the write, for one more try after a LOG
// directory that had disappeared is made again.
template <class Zapis>
void WriteCounted(TData& d, TLogKind kind, int rozhrani, Zapis write) {
    int chyba = write();
    if (chyba != 0 && RestoreLogDirectory(&d, d.Cfg, chyba)) chyba = write();
    if (chyba == 0) {
        LogWritten(&d, kind, rozhrani);
    } else {
        LogWriteFailed(&d, kind, rozhrani, chyba);
    }
}

// Next number of a rotation over 1..pocet.
int32_t NextNumber(int32_t number, int32_t count) { return number >= count ? 1 : number + 1; }

template <std::size_t N>
void AddTwoDigits(TText<N>& t, int v) {
    t.Add(static_cast<char>('0' + v / 10 % 10)).Add(static_cast<char>('0' + v % 10));
}

// ---- RUN log ----

bool RunPath(TPath& c, const TCFG& cfg, int32_t number) {
    c.Clear();
    c.Add(cfg.LogAdresar).Add("Rv_zr6180Run");
    if (number < 100) c.Add('0');
    if (number < 10) c.Add('0');
    c.Add(number).Add(".log");
    return FinishPath(c);
}

// "dd.mm.yy hh:nn:ss" of the current second, kept for the lines that follow
// within the same second. Runs under ZamekLogu.
std::string_view SecondText(const TRegionalSettings& regional, int64_t second) {
    TSecondCache& p = regional.RunSecond;
    const char separator = regional.TimeSeparator;
    if (p.Second == second && p.Separator == separator) return {p.Text, p.Length};
    const TLocalTime c = LocalTimeOf(second * 1000);
    TText<sizeof p.Text> t;
    AddTwoDigits(t, c.Day);
    t.Add('.');
    AddTwoDigits(t, c.Month);
    t.Add('.');
    AddTwoDigits(t, c.Year % 100);
    t.Add(' ');
    AddTwoDigits(t, c.Hour);
    t.Add(separator);
    AddTwoDigits(t, c.Minute);
    t.Add(separator);
    AddTwoDigits(t, c.Second);
    for (std::size_t i = 0; i < t.size(); ++i) p.Text[i] = t.sv()[i];
    p.Length = static_cast<uint8_t>(t.size());
    p.Second = second;
    p.Separator = separator;
    return {p.Text, p.Length};
}

void AddRunStamp(TLine& r, const TData& d) {
    const int64_t ms = Clock(&d).RealMs();
    int64_t s = ms / 1000;
    int64_t z = ms % 1000;
    if (z < 0) {
        z += 1000;
        --s;
    }
    r.Add(SecondText(d.Regional, s)).Add('.');
    r.Add(static_cast<char>('0' + z / 100));
    AddTwoDigits(r, static_cast<int>(z % 100));
}

// A field given as the text of (value + ",     ") cut to `width` characters.
void AddField(TLine& r, std::string_view name, int32_t hodnota, std::size_t width) {
    TText<24> t;
    t.Add(hodnota).Add(",     ");
    t.Truncate(width);
    r.Add(name).Add(t.sv());
}

std::string_view WithoutTrailingBlanks(std::string_view t) {
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

// Appends one line to file `number` of a rotation over 1..count that `filePath`
// names; a full file hands the line to the next number, emptied first.
// `moved` hears of a new number before its file is opened.
// 0, or the system's error number of a line that did not reach the file.
template <class Cesta, class Posunuto>
int AppendRotated(Atom<int32_t>& number, int32_t count, Cesta filePath, Posunuto moved, std::string_view a,
                  std::string_view b, std::string_view c) {
    TPath p;
    if (!filePath(p, number)) return ENAMETOOLONG;
    TFile f = TFile::Append(p.sv().data());
    if (!f.IsOpen()) return f.Error();
    if (f.Size() >= FullSize) {
        f.Close();
        number = NextNumber(number, count);
        moved();
        if (!filePath(p, number)) return ENAMETOOLONG;
        f = TFile::Empty(p.sv().data());
    }
    if (f.Write({a, b, c}) && f.Close()) return 0;
    return f.Error() != 0 ? f.Error() : EIO;
}

// File choice and rotation of one RUN line; runs under ZamekLogu.
int AppendRunLine(TCFG& cfg, std::string_view head, std::string_view detail) {
    if (cfg.RunCislo < 1 || cfg.RunCislo > cfg.RunPocet) {
        cfg.RunCislo = 1;
        ZapisRunInfo(cfg);
    }
    const auto filePath = [&](TPath& p, int32_t n) { return RunPath(p, cfg, n); };
    return AppendRotated(cfg.RunCislo, cfg.RunPocet, filePath, [&] { ZapisRunInfo(cfg); }, head, detail, "\r\n");
}

// ---- Err, interface and call-back logs ----

// "[" date " " time " " tick "] "
void AddStamp(THead& h, const TData& d, const TLocalTime& c) {
    char t[160];
    const std::size_t n = FormatDateTime(d.Regional, c, t, sizeof t);
    h.Add('[').Add(std::string_view(t, n)).Add(' ').Add(Now(&d)).Add("] ");
}

bool ErrPath(TPath& c, const TCFG& cfg, int32_t number) {
    c.Clear();
    c.Add(cfg.LogAdresar).Add("Rv_zr6180Err").Add(number).Add(".log");
    return FinishPath(c);
}

// File choice and rotation of one Err line; runs under ErrLogLock.
int AppendErrLine(TCFG& cfg, std::string_view head, std::string_view text, std::string_view tail) {
    if (cfg.ErrCislo < 1 || cfg.ErrCislo > cfg.RunPocet) cfg.ErrCislo = 1;
    const auto filePath = [&](TPath& p, int32_t n) { return ErrPath(p, cfg, n); };
    return AppendRotated(cfg.ErrCislo, cfg.RunPocet, filePath, [] {}, head, text, tail);
}

bool InterfaceLogPath(TPath& c, const TCFG& cfg, int rozhrani, const TLocalTime& stamp) {
    c.Add(cfg.LogAdresar).Add("Rv_zr6180_R").Add(static_cast<int32_t>(rozhrani)).Add('_');
    AddTwoDigits(c, stamp.Year / 100);
    AddTwoDigits(c, stamp.Year % 100);
    c.Add('_');
    AddTwoDigits(c, stamp.Month);
    c.Add('_');
    AddTwoDigits(c, stamp.Day);
    c.Add(".log");
    return FinishPath(c);
}

}  // namespace

void ZapisRun(TData* d, std::string_view tag, int32_t K, int32_t R, int32_t S, std::string_view text) {
    if (d == nullptr) return;
    // Off: only the numbering goes on, without the lock or any formatting.
    if (d->Cfg.RunPovolen == 0) {
        d->PocitadloRadku.fetch_add(1);
        return;
    }
    std::lock_guard<std::mutex> guard(d->ZamekLogu);
    const auto n = static_cast<uint32_t>(d->PocitadloRadku.fetch_add(1));
    TLine r;
    r.Hex(n, 8).Add(" [");
    AddRunStamp(r, *d);
    r.Add("] ").Add(tag).Add(", ");
    if (K != NoField) AddField(r, "K=", K, 6);
    if (R != NoField) AddField(r, "R=", R, 4);
    if (S != NoField) r.Add("S=").Add(S).Add(", ");
    const std::string_view detail = WithoutTrailingBlanks(text);
    if (detail.empty()) r.TrimBlanks();
    WriteCounted(*d, TLogKind::Run, 0, [&] { return AppendRunLine(d->Cfg, r.sv(), detail); });
}

void ZapisErr(TData* d, std::string_view text, int32_t number) {
    if (d == nullptr || d->Cfg.RunPovolen == 0) return;
    std::lock_guard<std::mutex> guard(d->ErrLogLock);
    THead head;
    AddStamp(head, *d, LocalTimeOf(Clock(d).RealMs()));
    TText<16> tail;
    if (number != NoField) tail.Add(number);
    tail.Add("\r\n");
    WriteCounted(*d, TLogKind::Err, 0, [&] { return AppendErrLine(d->Cfg, head.sv(), text, tail.sv()); });
}

void ZapisLogRozhrani(TData* d, int rozhrani, std::string_view text) {
    if (d == nullptr || d->Cfg.LogRozhraniPovolen == 0) return;
    // One reading of the clock names the file and stamps the line.
    const TLocalTime stamp = LocalTimeOf(Clock(d).RealMs());
    TPath filePath;
    if (!InterfaceLogPath(filePath, d->Cfg, rozhrani, stamp)) return;
    THead head;
    AddStamp(head, *d, stamp);
    WriteCounted(*d, TLogKind::Interface, rozhrani, [&] { return AppendLine(filePath, head.sv(), text, "\r\n"); });
}

void ZapisCB(TData* d, std::string_view text) {
    if (d == nullptr) return;
    TPath filePath;
    filePath.Add(d->Cfg.LogAdresar).Add("Rv_zr6180_CB.log");
    if (!FinishPath(filePath)) return;
    THead head;
    AddStamp(head, *d, LocalTimeOf(Clock(d).RealMs()));
    WriteCounted(*d, TLogKind::CallBack, 0, [&] { return AppendLine(filePath, head.sv(), text, "\r\n"); });
}

