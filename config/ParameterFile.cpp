#include "config/ParameterFile.h"

#include <array>
#include <optional>

#include "base/Cp1250.h"
#include "config/GatewayRules.h"
#include "config/Ini.h"
#include "config/StatusCodes.h"
#include "platform/Files.h"

namespace {

constexpr std::string_view LogSection = "Logovací soubor"_cp;
constexpr std::string_view WindowSection = "Diagnostické okno"_cp;
constexpr std::string_view ChannelHeader = "[Deklarace kanálů]"_cp;
// Absent-key sentinel of "Povolen" and "Typ" (a value of exactly jkl reads as absent too).
constexpr std::string_view AbsentKey = "jkl";
constexpr std::string_view GatewayType = "ZR-6180";
constexpr int MaxDeclarations = 6099;
constexpr std::string_view ErrorPrefix = "Chyba parametrického souboru - "_cp;

TResult Succeeded() { return {true, std::string(StatusText(0))}; }
TResult BadFile(int error = 0) { return {false, std::string(StatusText(13)), error}; }

TResult Failure(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    std::string z(ErrorPrefix);
    z.append(a).append(b).append(c);
    return {false, std::move(z)};
}

// ---- Log and window settings ----

void DefaultSettings(TCFG& cfg) {
    cfg.PocetKanalu = 0;
    cfg.PocetRozhrani = 0;
    cfg.LogPovolen = 0;
    cfg.LogNazev = "Rv_zr6180.log";
    cfg.RunPovolen = 0;
    cfg.RunPocet = 1;
    cfg.RunNazev = "Rv_zr6180Run.log";
    cfg.LogRozhraniPovolen = 0;
    cfg.LogZapnout = 0;
    cfg.LogVypnout = 0;
    cfg.OknoPovoleno = 1;
    cfg.ErrCislo = 1;
    cfg.LogAdresar = "/var/log/Rv_zr6180_run";
}

// Keys of the sections, named once for the readers and for KnownKeys.
constexpr std::string_view KeyPovolen = "Povolen";
constexpr std::string_view KeyNazevSouboru = "Název souboru"_cp;
constexpr std::string_view KeyPovolenRun = "Povolen RUN";
constexpr std::string_view KeyPocetRun = "Počet RUN souborů"_cp;
constexpr std::string_view KeyNazevRun = "Název RUN souborů"_cp;
constexpr std::string_view KeyLogRozhrani = "Povolen log rozhraní"_cp;
constexpr std::string_view KeyAdresar = "Adresář LOG souborů"_cp;
constexpr std::string_view KeyPovoleno = "Povoleno";
constexpr std::string_view KeyTyp = "Typ";
constexpr std::string_view KeyDemo = "Režim demo"_cp;
constexpr std::string_view KeyKod = "Kód"_cp;
constexpr std::string_view KeyNazev = "Název"_cp;
constexpr std::string_view KeyPopis = "Popis";
constexpr std::string_view KeyIp = "IP adresa";
constexpr std::string_view KeyUdpPort = "UDP port";
constexpr std::string_view KeyUdpTimeout = "UDP timeout";
constexpr std::string_view KeyUdpOpakovani = "UDP opakování"_cp;
constexpr std::string_view KeyBaud = "Baud";
constexpr std::string_view KeyTimeout = "Timeout";
constexpr std::string_view KeyOpakovani = "Opakování"_cp;

constexpr TKnownKey LogKeys[] = {{KeyPovolen, true},  {KeyNazevSouboru, false}, {KeyPovolenRun, true},
                                 {KeyPocetRun, true}, {KeyNazevRun, false},     {KeyLogRozhrani, true},
                                 {KeyAdresar, false}};
constexpr TKnownKey WindowKeys[] = {{KeyPovoleno, true}};
constexpr TKnownKey InterfaceKeys[] = {
    {KeyTyp, false},         {KeyDemo, true},     {KeyKod, false},         {KeyNazev, false},
    {KeyPopis, false},       {KeyIp, false},      {KeyUdpPort, true},      {KeyUdpTimeout, true},
    {KeyUdpOpakovani, true}, {KeyBaud, true},     {KeyTimeout, true},      {KeyOpakovani, true}};

void ReadSettingValues(const TIniSection& log, const TIniSection& okno, TCFG& cfg) {
    cfg.LogPovolen = log.ReadInteger(KeyPovolen, cfg.LogPovolen);
    cfg.LogNazev = log.ReadString(KeyNazevSouboru, cfg.LogNazev);
    cfg.OknoPovoleno = okno.ReadInteger(KeyPovoleno, cfg.OknoPovoleno);
    cfg.RunPovolen = log.ReadInteger(KeyPovolenRun, cfg.RunPovolen);
    cfg.RunPocet = log.ReadInteger(KeyPocetRun, cfg.RunPocet);
    cfg.RunNazev = log.ReadString(KeyNazevRun, cfg.RunNazev);
    cfg.LogRozhraniPovolen = log.ReadInteger(KeyLogRozhrani, cfg.LogRozhraniPovolen);
    cfg.LogAdresar = log.ReadString(KeyAdresar, cfg.LogAdresar);
}

bool IsZeroOrOne(int32_t v) { return v == 0 || v == 1; }

std::optional<TResult> CheckSettings(const TCFG& cfg) {
    const std::string_view log = "Logovací soubor / "_cp;
    if (!IsZeroOrOne(cfg.LogPovolen))
        return Failure(log, "Povolen = ", std::to_string(cfg.LogPovolen));
    if (cfg.LogPovolen == 1 && cfg.LogNazev.size() < 3)
        return Failure(log, "Název souboru = "_cp, cfg.LogNazev);
    if (!IsZeroOrOne(cfg.RunPovolen))
        return Failure(log, "Povolen RUN = ", std::to_string(cfg.RunPovolen));
    if (cfg.RunPocet < 0)
        return Failure(log, "Počet RUN souborů = "_cp, std::to_string(cfg.RunPocet));
    if (!IsZeroOrOne(cfg.LogRozhraniPovolen))
        return Failure(log, "Povolen log rozhraní = "_cp, std::to_string(cfg.LogRozhraniPovolen));
    if (!IsZeroOrOne(cfg.OknoPovoleno))
        return Failure("Diagnostické okno / Povoleno = "_cp, std::to_string(cfg.OknoPovoleno));
    return std::nullopt;
}

// ---- Interfaces ----

void ReadInterfaceSection(const TIniSection& s, int n, TRozhrani& r) {
    r.Pouzito = 1;
    r.Cislo = static_cast<uint8_t>(n);
    r.Demo = static_cast<uint8_t>(s.ReadInteger(KeyDemo, r.Demo) & 0xFF);
    r.Kod = s.ReadString(KeyKod, r.Kod);
    r.Nazev = s.ReadString(KeyNazev, r.Nazev);
    r.Popis = s.ReadString(KeyPopis, r.Popis);
    r.Typ = std::string(GatewayType);
    r.IPAdresa = s.ReadString(KeyIp, r.IPAdresa);
    r.UdpPort = s.ReadInteger(KeyUdpPort, r.UdpPort);
    r.UdpTimeout = s.ReadInteger(KeyUdpTimeout, r.UdpTimeout);
    r.UdpOpakovani = s.ReadInteger(KeyUdpOpakovani, r.UdpOpakovani);
    r.Baud = s.ReadInteger(KeyBaud, r.Baud);
    r.Timeout = s.ReadInteger(KeyTimeout, r.Timeout);
    r.Opakovani = s.ReadInteger(KeyOpakovani, r.Opakovani);
    r.Status = 0;
}

std::optional<TResult> CheckInterface(const TRozhrani& r, int n) {
    const auto chyba = [n](std::string_view key, int32_t hodnota) {
        std::string detail = InterfaceSectionName(n);
        detail.append(" / ").append(key).append(" = ").append(std::to_string(hodnota)).append(".");
        return Failure(detail);
    };
    if (r.UdpTimeout < 0 || r.UdpTimeout > MostTimeout) return chyba(KeyUdpTimeout, r.UdpTimeout);
    if (!IsBaudRate(r.Baud)) return chyba(KeyBaud, r.Baud);
    if (r.Timeout < 0 || r.Timeout > MostTimeout) return chyba(KeyTimeout, r.Timeout);
    if (r.Opakovani < 0 || r.Opakovani > MostRetries) return chyba(KeyOpakovani, r.Opakovani);
    return std::nullopt;
}

// ---- Channels ----

// The channel section read as a classic text file: tokens, the rest of a
// line, whole lines. A Ctrl-Z ends the file.
class TTextStream {
public:
    explicit TTextStream(std::string_view text) : t_(text.substr(0, text.find('\x1A'))) {}

    bool End() const { return i_ >= t_.size(); }
    std::size_t Offset() const { return i_; }
    // Line number (from 1) of an offset, counted on from the offset asked
    // before (offsets only grow). Only a report asks, so a plain reading
    // pays nothing.
    int LineAt(std::size_t offset) {
        if (offset < counted_) {
            counted_ = 0;
            line_ = 1;
        }
        for (; counted_ < offset && counted_ < t_.size(); ++counted_) line_ += t_[counted_] == '\n' ? 1 : 0;
        return line_;
    }

    // Up to the line end; the LF is consumed, a CR before it dropped.
    std::string_view Line() {
        std::size_t e = t_.find('\n', i_);
        if (e == std::string_view::npos) e = t_.size();
        std::string_view l = t_.substr(i_, e - i_);
        i_ = e < t_.size() ? e + 1 : e;
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        return l;
    }

    // Skips characters 0..32, then takes at most 32 others; empty at the end.
    std::string_view Token() {
        while (i_ < t_.size() && IsSeparator(t_[i_])) ++i_;
        const std::size_t b = i_;
        while (i_ < t_.size() && i_ - b < 32 && !IsSeparator(t_[i_])) ++i_;
        return t_.substr(b, i_ - b);
    }

private:
    static bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }

    std::string_view t_;
    std::size_t i_ = 0;
    std::size_t counted_ = 0;
    int line_ = 1;
};

using TModuleMap = std::array<std::array<bool, 256>, LastInterface>;

// A missing token (end of file) reads as 0.
bool ReadIntegerToken(TTextStream& s, int32_t& v) {
    const std::string_view t = s.Token();
    v = 0;
    return t.empty() || ParseInt(t, v);
}

bool ReadInRange(TTextStream& s, int32_t low, int32_t high, int32_t& v) {
    return ReadIntegerToken(s, v) && v >= low && v <= high;
}

std::string Truncate(std::string t) {
    if (t.size() > MaxIniValue) t.resize(MaxIniValue);
    return t;
}

// The rest of one declaration after its channel number; false on a value out of range.
bool ReadChannelLine(TTextStream& s, int32_t c, TPoleRozhrani& rozhrani, TPoleKanal& channels, TModuleMap& moduleMap) {
    TKanal& k = channels[c];
    k.Cislo = c;
    int32_t r = 0, a = 0, p = 0, sp = 0;
    if (!ReadInRange(s, FirstInterface, LastInterface, r)) return false;
    k.Rozhrani = static_cast<uint8_t>(r);
    rozhrani[r].PocetKanalu.Add(1);
    if (!ReadInRange(s, 0, 255, a)) return false;
    k.Adresa = static_cast<uint8_t>(a);
    moduleMap[r - 1][a] = true;
    if (!ReadInRange(s, 0, 255, p)) return false;
    k.Periferie = static_cast<uint8_t>(p);
    if (!ReadInRange(s, 0, 255, sp)) return false;
    k.Subperiferie = static_cast<uint8_t>(sp);
    TThreeTexts texts = RozdelUvozovky(s.Line());
    k.Kod = Truncate(std::move(texts.First));
    k.Nazev = Truncate(std::move(texts.Second));
    k.Popis = Truncate(std::move(texts.Third));
    k.Pouzit = 1;
    return true;
}

// The offset of the next token's first character.
std::size_t TokenStart(const TTextStream& s, std::string_view text) {
    std::size_t i = s.Offset();
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) ++i;
    return i;
}

bool FindChannelHeader(TTextStream& s, std::size_t& start) {
    while (!s.End()) {
        start = s.Offset();
        if (s.Line() == ChannelHeader) return true;
    }
    return false;
}

void CountModules(const TModuleMap& moduleMap, TPoleRozhrani& rozhrani) {
    for (int r = FirstInterface; r <= LastInterface; ++r) {
        int32_t n = 0;
        for (bool used : moduleMap[r - 1]) n += used ? 1 : 0;
        rozhrani[r].PocetModulu = n;
    }
}

}  // namespace

TResult CtiNastaveni(const std::string& soubor, TCFG& cfg) {
    DefaultSettings(cfg);
    TIniFile ini;
    ini.Load(soubor);  // an unreadable file reads as empty: the sentinel below rejects it
    const TIniSection log = ini.Section(LogSection);
    if (log.ReadString("Povolen", AbsentKey) == AbsentKey) return BadFile(ini.LoadError());
    ReadSettingValues(log, ini.Section(WindowSection), cfg);
    if (cfg.LogAdresar.empty() || cfg.LogAdresar.back() != '/') cfg.LogAdresar += '/';
    if (auto chyba = CheckSettings(cfg)) return *chyba;
    const bool logs = cfg.LogPovolen == 1 || cfg.RunPovolen == 1 || cfg.LogRozhraniPovolen == 1;
    if (logs && !CreateDirectories(cfg.LogAdresar))
        return Failure("Logovací soubor / Adresář LOG souborů = \""_cp, cfg.LogAdresar,
                     "\" - adresář nelze vytvořit"_cp);
    return Succeeded();
}

TResult CtiRozhrani(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani) {
    VycistiRozhrani(rozhrani);
    TIniFile ini;
    ini.Load(soubor);
    int32_t count = 0;
    for (int n = FirstInterface; n <= LastInterface; ++n) {
        const TIniSection s = ini.Section(InterfaceSectionName(n));
        if (s.ReadString("Typ", AbsentKey) != GatewayType) continue;
        ReadInterfaceSection(s, n, rozhrani[n]);
        ++count;
    }
    if (count == 0) return BadFile(ini.LoadError());
    cfg.PocetRozhrani = count;
    for (int n = FirstInterface; n <= LastInterface; ++n) {
        TRozhrani& r = rozhrani[n];
        if (r.Pouzito == 0) continue;
        if (auto chyba = CheckInterface(r, n)) return *chyba;
        if (r.UdpOpakovani < 0 || r.UdpOpakovani > MostRetries) r.UdpOpakovani = 0;
    }
    return Succeeded();
}

TResult CtiKanaly(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani, TPoleKanal& channels,
                  TChannelReport* report) {
    VycistiKanaly(channels);
    // Counted afresh here, so a second reading does not add to the first.
    for (TRozhrani& r : rozhrani) {
        r.PocetKanalu = 0;
        r.PocetModulu = 0;
    }
    cfg.PocetKanalu = 0;
    std::string text;
    int chyba = 0;
    if (!LoadParameterFile(soubor, text, &chyba)) {
        TResult v = Failure("Deklarace kanálů"_cp);
        v.SystemError = chyba;
        return v;
    }
    TTextStream s(text);
    std::size_t header = 0;
    if (!FindChannelHeader(s, header)) return Succeeded();
    if (report != nullptr) report->HeaderLine = s.LineAt(header);
    TModuleMap moduleMap{};
    int32_t received = 0;
    bool faulty = false;
    while (!s.End() && received < MaxDeclarations) {
        const int line = report != nullptr ? s.LineAt(TokenStart(s, text)) : 0;
        int32_t c = 0;
        const bool number = ReadIntegerToken(s, c);
        if (!number || !IsChannel(c)) {
            if (report != nullptr && !number && !faulty) report->FaultyLine = line;
            if (report != nullptr && number && !s.End()) report->Skipped.push_back({c, line});
            faulty = faulty || !number;
            s.Line();
            continue;
        }
        if (!ReadChannelLine(s, c, rozhrani, channels, moduleMap)) {
            if (report != nullptr) report->FaultyLine = line;
            return Failure("Deklarace kanálů : chyba kanálu "_cp, std::to_string(c));
        }
        if (report != nullptr) report->Declarations.push_back({c, line});
        ++received;
    }
    if (faulty) return Failure("Deklarace kanálů"_cp);
    cfg.PocetKanalu = received;
    CountModules(moduleMap, rozhrani);
    return Succeeded();
}

std::span<const TKnownKey> KnownKeys(TSectionKind kind) {
    switch (kind) {
        case TSectionKind::Log: return LogKeys;
        case TSectionKind::Window: return WindowKeys;
        case TSectionKind::Interface: return InterfaceKeys;
    }
    return {};
}

std::string_view SectionName(TSectionKind kind) {
    switch (kind) {
        case TSectionKind::Log: return LogSection;
        case TSectionKind::Window: return WindowSection;
        case TSectionKind::Interface: return "Deklarace rozhraní"_cp;
    }
    return {};
}

std::string InterfaceSectionName(int n) {
    return std::string(SectionName(TSectionKind::Interface)) + " " + std::to_string(n);
}

std::string_view ChannelSectionHeader() { return ChannelHeader; }

TThreeTexts RozdelUvozovky(std::string_view text) {
    TThreeTexts t;
    std::string* const targets[] = {&t.First, &t.Second, &t.Third};
    int state = 0;
    for (char ch : text) {
        if (state == 7) break;  // nothing after the third text is kept
        if (ch == '"') ++state;
        else if (state % 2 == 1) targets[state / 2]->push_back(ch);
    }
    return t;
}
