#include "diag/PageRows.h"

#include <charconv>

#include "base/Text.h"
#include "config/Values.h"
#include "config/Model.h"
#include "config/StatusCodes.h"
#include "diag/DrvDialog.h"

namespace {

constexpr std::size_t FieldLength = 42;
constexpr std::string_view Dash = "-";
constexpr std::string_view DemoMode = "      DEMO REŽIM"_cp;

using TCell = TText<96>;

void Assign(std::string& target, std::string_view t) { target.assign(t.data(), t.size()); }

std::string_view Clipped(std::string_view t) { return TDrvDialog::OrizniText(t, FieldLength); }

// A number alone in its row; the type given picks the digits (a byte field
// as a byte).
template <class TNumber>
void AssignNumber(std::string& target, TNumber v) {
    TCell t;
    t.Add(v);
    Assign(target, t);
}

// A signed 32-bit decimal number filling the whole text.
bool ReadNumber(std::string_view t, int32_t& v) {
    const char* z = t.data();
    const char* k = t.data() + t.size();
    if (z != k && *z == '+') ++z;  // from_chars knows only '-'
    if (z == k || *z == '+') return false;
    auto r = std::from_chars(z, k, v);
    return r.ec == std::errc() && r.ptr == k;
}

// Fill of a queue in percent with one decimal, in the locale's separator.
void AddFill(TCell& t, int32_t committed, char separator) {
    char b[48];
    auto r = std::to_chars(b, b + sizeof b, committed * 100.0 / QueueSize,
                           std::chars_format::fixed, 1);
    for (char* p = b; p != r.ptr; ++p)
        if (*p == '.') *p = separator;
    t.Add(std::string_view(b, static_cast<std::size_t>(r.ptr - b)));
}

}  // namespace

std::string_view ChannelStatusText(uint8_t status) {
    return status == 99 ? "Kanál nepoužit."_cp : Clipped(StatusText(status));
}

TChoice CorrectChannel(std::string text) {
    if (text.size() > 6) text = "6099";
    if (text.empty()) text = "99";
    int32_t v = 0;
    if (!ReadNumber(text, v)) { v = 99; text = "99"; }
    uint32_t u = static_cast<uint32_t>(v);  // a negative number counts as too large
    if (u < 99) { u = 99; text = "99"; }
    if (u > 6099) { u = 6099; text = "6099"; }
    return {u, std::move(text)};
}

TChoice CorrectInterface(std::string text) {
    if (text.size() > 2) text = "16";
    if (text.empty()) text = "1";
    int32_t v = 0;
    if (!ReadNumber(text, v)) { v = 1; text = "1"; }
    uint32_t u = static_cast<uint32_t>(v);
    if (u == 0) { u = 1; text = "1"; }
    if (u > 16) { u = 16; text = "16"; }
    return {u, std::move(text)};
}

void FillInfoRows(const TData& d, TInfoRows& info) {
    const uint32_t n = d.PosledniChybnyKanal;
    const TKanal* k = IsChannel(n) ? &d.Kanaly[n] : nullptr;
    for (int r : {RInfo::Kanal, RInfo::Rozhrani, RInfo::Adresa}) Assign(info[r], Dash);
    TCell t;
    if (n == 0) {
        Assign(info[RInfo::Status], "Komunikace v pořádku."_cp);
    } else if (k == nullptr || k->Pouzit == 0) {
        // A number outside the table is reported like an undeclared channel.
        t.Add("Nedefinovaný kanál "_cp).Add(n).Add('.');
        Assign(info[RInfo::Status], t);
    } else if (k->Status == 0) {
        Assign(info[RInfo::Status], "Komunikace v pořádku."_cp);
    } else {
        AssignNumber(info[RInfo::Kanal], n);
        AssignNumber(info[RInfo::Rozhrani], static_cast<uint8_t>(k->Rozhrani));
        AssignNumber(info[RInfo::Adresa], static_cast<uint8_t>(k->Adresa));
        Assign(info[RInfo::Status], ChannelStatusText(k->Status));
    }
}

void FillChannelRows(const TData& d, uint32_t n, TChannelRows& s) {
    const TKanal& k = d.Kanaly[n];
    TCell t;
    t.Add(n);
    Assign(s[RKanal::Cislo], t);
    if (k.Pouzit == 0) {
        for (int r = RKanal::Cislo + 1; r < RKanal::Status; ++r) Assign(s[r], Dash);
        Assign(s[RKanal::Status], "Kanál nedefinován."_cp);
        return;
    }
    const uint8_t i = k.Rozhrani;
    // A declared channel always names an interface 1..16; should it not, the
    // interface rows stay empty instead of reading outside the table.
    const TRozhrani* r = IsInterface(i) ? &d.Rozhrani[i] : nullptr;
    const TModul m = r != nullptr ? r->Moduly[k.Adresa] : TModul{};
    Assign(s[RKanal::Kod], Clipped(k.Kod));
    Assign(s[RKanal::Nazev], Clipped(k.Nazev));
    Assign(s[RKanal::Popis], Clipped(k.Popis));
    t.Clear();
    t.Add(i);
    if (r != nullptr && r->Demo != 0) t.Add(DemoMode);
    Assign(s[RKanal::CisloRozhrani], t);
    Assign(s[RKanal::KodRozhrani], r != nullptr ? Clipped(r->Kod) : Dash);
    Assign(s[RKanal::NazevRozhrani], r != nullptr ? Clipped(r->Nazev) : Dash);
    AssignNumber(s[RKanal::Adresa], static_cast<uint8_t>(k.Adresa));
    AssignNumber(s[RKanal::Periferie], static_cast<uint8_t>(k.Periferie));
    AssignNumber(s[RKanal::Subperiferie], static_cast<uint8_t>(k.Subperiferie));
    t.Clear();
    t.Add("0x").Hex(static_cast<uint8_t>(k.StatusRegistr & 0xF7), 2);
    Assign(s[RKanal::StatusRegistr], t);
    AssignNumber(s[RKanal::PocetVolani], static_cast<uint32_t>(k.PocetVolani));
    AssignNumber(s[RKanal::CasovaZnacka], static_cast<uint32_t>(k.CasovaZnacka));
    t.Clear();
    t.Add(static_cast<uint32_t>(k.DobaRS)).Add('/');
    t.Add(static_cast<uint32_t>(k.DobaLAN)).Add('/');
    t.Add(static_cast<uint32_t>(k.DobaCelkem));
    Assign(s[RKanal::Times], t);
    s[RKanal::Hodnota] = HodnotaKanaluText(n, k, m, d.Regional.DecimalSeparator);
    Assign(s[RKanal::Status], ChannelStatusText(k.Status));
}

void FillInterfaceRows(const TData& d, uint32_t i, TInterfaceRows& s) {
    const TRozhrani& r = d.Rozhrani[i];
    TCell t;
    t.Add(i);
    if (r.Pouzito == 0) {
        Assign(s[RRozhrani::Cislo], t);
        for (int k = RRozhrani::Cislo + 1; k < RRozhrani::Status; ++k) Assign(s[k], Dash);
        Assign(s[RRozhrani::Status], "Rozhrani nedefinováno."_cp);
        return;
    }
    if (r.Demo != 0) t.Add(DemoMode);
    Assign(s[RRozhrani::Cislo], t);
    Assign(s[RRozhrani::Kod], Clipped(r.Kod));
    Assign(s[RRozhrani::Nazev], Clipped(r.Nazev));
    Assign(s[RRozhrani::Popis], Clipped(r.Popis));
    Assign(s[RRozhrani::Typ], Clipped(r.Typ));
    t.Clear();
    t.Add(r.IPAdresa).Add(" / ").Add(static_cast<int32_t>(r.UdpPort));
    Assign(s[RRozhrani::IPPort], Clipped(t));
    const auto number = [&](int line, int32_t v) { AssignNumber(s[line], v); };
    number(RRozhrani::UdpTimeout, r.UdpTimeout);
    number(RRozhrani::Baud, r.Baud);
    number(RRozhrani::Timeout, r.Timeout);
    number(RRozhrani::Opakovani, r.Opakovani);
    number(RRozhrani::PocetModulu, r.PocetModulu);
    number(RRozhrani::PocetKanalu, r.PocetKanalu);
    t.Clear();
    AddFill(t, d.Fronty[i].PocetPotvrzenych, d.Regional.DecimalSeparator);
    Assign(s[RRozhrani::Fifo], t);
    uint32_t modules = 0;
    for (const auto& m : r.Moduly) modules += m.Status != 0;
    uint32_t channels = 0;
    for (const auto& k : r.StatusKanalu) channels += k != 0;
    AssignNumber(s[RRozhrani::FaultyModules], modules);
    AssignNumber(s[RRozhrani::FaultyChannels], channels);
    Assign(s[RRozhrani::Status], Clipped(StatusText(static_cast<uint32_t>(static_cast<int32_t>(r.Status)))));
}
