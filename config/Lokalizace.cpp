#include "config/Lokalizace.h"

#include <cstring>

#include "base/Cp1250.h"
#include "platform/Locale.h"

namespace {

// POSIX meaning of %r, used when the locale's own is unusable.
constexpr std::string_view PosixAmPm = "%I:%M:%S %p";

// Replaces the composite conversions by their numeric pieces, one level
// deep; %r becomes the locale's 12-hour pattern.
std::string RozvinJednou(std::string_view vzor, std::string_view dvanactHodin) {
    std::string v;
    for (std::size_t i = 0; i < vzor.size(); ++i) {
        if (vzor[i] != '%' || i + 1 >= vzor.size()) {
            v += vzor[i];
            continue;
        }
        std::size_t j = i + 1;
        while (j < vzor.size() && std::strchr("-_0^#", vzor[j]) != nullptr) ++j;
        const char c = j < vzor.size() ? vzor[j] : '\0';
        std::string_view nahrada;
        switch (c) {
            case 'D': nahrada = "%m/%d/%y"; break;
            case 'F': nahrada = "%Y-%m-%d"; break;
            case 'T': nahrada = "%H:%M:%S"; break;
            case 'R': nahrada = "%H:%M"; break;
            case 'r': nahrada = dvanactHodin; break;
            default: break;
        }
        if (nahrada.empty()) {
            v.append(vzor.substr(i, j + 1 - i));
        } else {
            v.append(nahrada);
        }
        i = j;
    }
    return v;
}

// Two levels: the 12-hour pattern may itself use %T or %R.
std::string Rozvin(std::string_view vzor, std::string_view dvanactHodin) {
    return RozvinJednou(RozvinJednou(vzor, dvanactHodin), PosixAmPm);
}

bool PridejLiteral(TVzorCasu& v, char z) {
    if (v.DelkaLiteralu >= TVzorCasu::MaxLiteralu) return false;
    if (v.Pocet == 0 || v.Prvky[v.Pocet - 1].Co != TVzorCasu::Text) {
        if (v.Pocet >= TVzorCasu::MaxPrvku) return false;
        v.Prvky[v.Pocet++] = {TVzorCasu::Text, 0, v.DelkaLiteralu, 0};
    }
    v.Literaly[v.DelkaLiteralu++] = z;
    ++v.Prvky[v.Pocet - 1].Delka;
    return true;
}

bool PridejPole(TVzorCasu& v, TVzorCasu::Druh co, char vypln) {
    if (v.Pocet >= TVzorCasu::MaxPrvku) return false;
    v.Prvky[v.Pocet++] = {co, vypln, 0, 0};
    return true;
}

// One conversion letter: its field and default padding; false when the
// conversion is textual or not numeric in a way this formatter keeps.
bool PoleKonverze(char c, TVzorCasu::Druh& co, char& vypln) {
    switch (c) {
        case 'd': co = TVzorCasu::Den; vypln = '0'; return true;
        case 'e': co = TVzorCasu::Den; vypln = ' '; return true;
        case 'm': co = TVzorCasu::Mesic; vypln = '0'; return true;
        case 'y': co = TVzorCasu::Rok2; vypln = '0'; return true;
        case 'Y': co = TVzorCasu::Rok4; vypln = 0; return true;
        case 'C': co = TVzorCasu::Stoleti; vypln = '0'; return true;
        case 'H': co = TVzorCasu::Hodina24; vypln = '0'; return true;
        case 'k': co = TVzorCasu::Hodina24; vypln = ' '; return true;
        case 'I': co = TVzorCasu::Hodina12; vypln = '0'; return true;
        case 'l': co = TVzorCasu::Hodina12; vypln = ' '; return true;
        case 'M': co = TVzorCasu::Minuta; vypln = '0'; return true;
        case 'S': co = TVzorCasu::Sekunda; vypln = '0'; return true;
        case 'p': co = TVzorCasu::AmPm; vypln = 0; return true;
        case 'P': co = TVzorCasu::AmPmMale; vypln = 0; return true;
        default: return false;
    }
}

// Parses an expanded pattern; false on anything it does not honour.
bool Parsuj(std::string_view vzor, TVzorCasu& v) {
    for (std::size_t i = 0; i < vzor.size(); ++i) {
        if (vzor[i] != '%') {
            if (vzor[i] == '\n' || vzor[i] == '\r' || vzor[i] == '\t') return false;
            if (!PridejLiteral(v, vzor[i])) return false;
            continue;
        }
        char priznak = 0;
        while (i + 1 < vzor.size() && std::strchr("-_0^#", vzor[i + 1]) != nullptr) priznak = vzor[++i];
        if (i + 1 >= vzor.size()) return false;
        const char c = vzor[++i];
        if (c == '%') {
            if (!PridejLiteral(v, '%')) return false;
            continue;
        }
        TVzorCasu::Druh co;
        char vypln;
        if (!PoleKonverze(c, co, vypln)) return false;
        if (priznak == '-') vypln = 0;
        if (priznak == '_' && vypln != 0) vypln = ' ';
        if (priznak == '0' && vypln != 0) vypln = '0';
        if (!PridejPole(v, co, vypln)) return false;
    }
    return v.Pocet > 0;
}

// Compiles a pattern; an unusable one compiles the default instead, while
// the source text is kept so the field is not compiled again.
TVzorCasu Kompiluj(std::string_view vzor, std::string_view vychozi) {
    TVzorCasu v;
    const std::string rozvinuty = Rozvin(vzor, PosixAmPm);
    if (!Parsuj(rozvinuty, v)) {
        v = TVzorCasu{};
        Parsuj(vychozi, v);
    }
    v.Platny = true;
    if (vzor.size() <= TVzorCasu::MaxZdroje) {
        std::memcpy(v.Zdroj, vzor.data(), vzor.size());
        v.DelkaZdroje = static_cast<uint8_t>(vzor.size());
    } else {
        v.Platny = false;  // cannot be recognised later: parsed at each use
    }
    return v;
}

// Locale text in code page 1250; false when it cannot be represented.
bool DoCp1250(std::string_view s, std::string& ven) {
    ven.clear();
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t z = 0;
        const std::size_t n = cp1250::DekodujUtf8(s.data(), s.size(), i, z);
        if (n == 0) return false;
        const int b = cp1250::BajtZnaku(z);
        if (b < 0) return false;
        ven += static_cast<char>(b);
        i += n;
    }
    return true;
}

bool PouzivaAmPm(const TVzorCasu& v) {
    for (std::size_t i = 0; i < v.Pocet; ++i)
        if (v.Prvky[i].Co == TVzorCasu::AmPm || v.Prvky[i].Co == TVzorCasu::AmPmMale) return true;
    return false;
}

// The character right after the first hour field, else ':'.
char OddelovacZa(const TVzorCasu& v) {
    for (std::size_t i = 0; i + 1 < v.Pocet; ++i) {
        const auto co = v.Prvky[i].Co;
        if (co != TVzorCasu::Hodina24 && co != TVzorCasu::Hodina12) continue;
        const auto& dalsi = v.Prvky[i + 1];
        return dalsi.Co == TVzorCasu::Text ? v.Literaly[dalsi.Od] : ':';
    }
    return ':';
}

// A numeric pattern of the locale, or the default when any part of it is
// textual, unknown or not representable.
std::string UzitelnyVzor(std::string_view surovy, std::string_view dvanactHodin, std::string_view vychozi) {
    std::string cp;
    if (!DoCp1250(surovy, cp)) return std::string(vychozi);
    const std::string rozvinuty = Rozvin(cp, dvanactHodin);
    TVzorCasu v;
    return Parsuj(rozvinuty, v) ? rozvinuty : std::string(vychozi);
}

std::size_t Pridej(char* cil, std::size_t kapacita, std::size_t n, std::string_view t) {
    const std::size_t k = t.size() < kapacita - n ? t.size() : kapacita - n;
    if (k != 0) std::memcpy(cil + n, t.data(), k);  // an empty view may hold a null pointer
    return n + k;
}

std::size_t PridejCislo(char* cil, std::size_t kapacita, std::size_t n, int hodnota, char vypln) {
    char t[12];
    int k = 0;
    unsigned u = hodnota < 0 ? 0u - static_cast<unsigned>(hodnota) : static_cast<unsigned>(hodnota);
    do { t[11 - k++] = static_cast<char>('0' + u % 10); u /= 10; } while (u != 0 && k < 11);
    if (vypln != 0 && k < 2) t[11 - k++] = vypln;
    if (hodnota < 0 && k < 12) t[11 - k++] = '-';
    return Pridej(cil, kapacita, n, std::string_view(t + 12 - k, static_cast<std::size_t>(k)));
}

std::size_t PridejAmPm(char* cil, std::size_t kapacita, std::size_t n, std::string_view t, bool male) {
    const std::size_t zacatek = n;
    n = Pridej(cil, kapacita, n, t);
    if (male)
        for (std::size_t i = zacatek; i < n; ++i)
            if (cil[i] >= 'A' && cil[i] <= 'Z') cil[i] = static_cast<char>(cil[i] - 'A' + 'a');
    return n;
}

std::size_t Formatuj(const TLokalizace& l, const TVzorCasu& v, const TCasLokalni& c, char* cil, std::size_t kapacita,
                     std::size_t n) {
    for (std::size_t i = 0; i < v.Pocet; ++i) {
        const TVzorCasu::TPrvek& p = v.Prvky[i];
        const int h12 = c.Hodina % 12 == 0 ? 12 : c.Hodina % 12;
        const std::string_view ampm = c.Hodina < 12 ? l.Dopoledne : l.Odpoledne;
        switch (p.Co) {
            case TVzorCasu::Text: n = Pridej(cil, kapacita, n, {v.Literaly + p.Od, p.Delka}); break;
            case TVzorCasu::Den: n = PridejCislo(cil, kapacita, n, c.Den, p.Vypln); break;
            case TVzorCasu::Mesic: n = PridejCislo(cil, kapacita, n, c.Mesic, p.Vypln); break;
            case TVzorCasu::Rok2: n = PridejCislo(cil, kapacita, n, ((c.Rok % 100) + 100) % 100, p.Vypln); break;
            case TVzorCasu::Rok4: n = PridejCislo(cil, kapacita, n, c.Rok, p.Vypln); break;
            case TVzorCasu::Stoleti: n = PridejCislo(cil, kapacita, n, c.Rok / 100, p.Vypln); break;
            case TVzorCasu::Hodina24: n = PridejCislo(cil, kapacita, n, c.Hodina, p.Vypln); break;
            case TVzorCasu::Hodina12: n = PridejCislo(cil, kapacita, n, h12, p.Vypln); break;
            case TVzorCasu::Minuta: n = PridejCislo(cil, kapacita, n, c.Minuta, p.Vypln); break;
            case TVzorCasu::Sekunda: n = PridejCislo(cil, kapacita, n, c.Sekunda, p.Vypln); break;
            case TVzorCasu::AmPm: n = PridejAmPm(cil, kapacita, n, ampm, false); break;
            case TVzorCasu::AmPmMale: n = PridejAmPm(cil, kapacita, n, ampm, true); break;
        }
    }
    return n;
}

// The compiled pattern when it still belongs to the text, else a fresh one.
const TVzorCasu& Aktualni(const TVzorCasu& v, const std::string& zdroj, std::string_view vychozi, TVzorCasu& docasny) {
    if (v.Platny && v.ZdrojovyText() == zdroj) return v;
    docasny = Kompiluj(zdroj, vychozi);
    return docasny;
}

}  // namespace

TLokalizace::TLokalizace() { PripravVzory(*this); }

void PripravVzory(TLokalizace& l) {
    l.VzorDatumu = Kompiluj(l.KratkeDatum, VychoziDatum);
    l.VzorCasu = Kompiluj(l.DlouhyCas, VychoziCas);
    l.PametRun = TPametSekundy{};
}

TLokalizace LocaleFromItems(std::string_view dFmt, std::string_view tFmt, std::string_view tFmtAmPm,
                            std::string_view am, std::string_view pm, std::string_view radix) {
    TLokalizace l;
    std::string dvanact;
    if (!DoCp1250(tFmtAmPm, dvanact) || dvanact.find("%r") != std::string::npos || dvanact.empty())
        dvanact = PosixAmPm;
    l.KratkeDatum = UzitelnyVzor(dFmt, dvanact, VychoziDatum);
    l.DlouhyCas = UzitelnyVzor(tFmt, dvanact, VychoziCas);
    std::string a, p;
    const bool ampmOk = DoCp1250(am, a) && DoCp1250(pm, p);
    if (ampmOk) {
        l.Dopoledne = a;
        l.Odpoledne = p;
    }
    PripravVzory(l);
    if (!ampmOk && PouzivaAmPm(l.VzorCasu)) {  // 12-hour time without readable AM/PM texts
        l.DlouhyCas = VychoziCas;
        PripravVzory(l);
    }
    l.OddelovacCasu = OddelovacZa(l.VzorCasu);
    std::string r;
    l.DesetinnyOddelovac = DoCp1250(radix, r) && r.size() == 1 ? r[0] : '.';
    return l;
}

TLokalizace NactiLokalizaci() {
    const TLocaleItems i = ReadLocaleItems();
    TLokalizace l;
    if (i.TimeSet) l = LocaleFromItems(i.DateFormat, i.TimeFormat, i.AmPmFormat, i.Am, i.Pm, ".");
    if (i.NumbersSet) {
        std::string r;
        l.DesetinnyOddelovac = DoCp1250(i.Radix, r) && r.size() == 1 ? r[0] : '.';
    }
    return l;
}

std::size_t FormatDateTime(const TLokalizace& l, const TCasLokalni& c, char* cil, std::size_t kapacita) {
    TVzorCasu docasny;
    std::size_t n = Formatuj(l, Aktualni(l.VzorDatumu, l.KratkeDatum, VychoziDatum, docasny), c, cil, kapacita, 0);
    n = Pridej(cil, kapacita, n, " ");
    return Formatuj(l, Aktualni(l.VzorCasu, l.DlouhyCas, VychoziCas, docasny), c, cil, kapacita, n);
}

std::string DatumCas(const TLokalizace& l, const TCasLokalni& c) {
    char t[160];
    return std::string(t, FormatDateTime(l, c, t, sizeof t));
}
