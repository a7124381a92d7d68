#include "diag/DrvDialog.h"

#include <charconv>
#include <cstring>

#include "comm/Wake.h"
#include "base/Contained.h"
#include "config/Hodnoty.h"
#include "config/Model.h"
#include "base/Radek.h"
#include "config/StatusTexty.h"
#include "diag/Window.h"
#include "diag/WindowModule.h"
#include "platform/Environment.h"

namespace {

constexpr std::size_t FieldLength = 42;
constexpr std::string_view Dash = "-";
constexpr std::string_view DemoRezim = "      DEMO REŽIM"_cp;

using TCell = TText<96>;

void Nastav(std::string& cil, std::string_view t) { cil.assign(t.data(), t.size()); }

std::string_view Clipped(std::string_view t) { return TDrvDialog::OrizniText(t, FieldLength); }

bool JeCislice(char c) { return c >= '0' && c <= '9'; }

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
void AddFill(TCell& t, int32_t potvrzenych, char oddelovac) {
    char b[48];
    auto r = std::to_chars(b, b + sizeof b, potvrzenych * 100.0 / VelikostFronty,
                           std::chars_format::fixed, 1);
    for (char* p = b; p != r.ptr; ++p)
        if (*p == '.') *p = oddelovac;
    t.Add(std::string_view(b, static_cast<std::size_t>(r.ptr - b)));
}

void PisDoPole(std::string& pole, char c) {
    if (c == RvKeyBackspace) {
        if (!pole.empty()) pole.pop_back();
    } else {
        pole.push_back(c);
    }
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

TDrvDialog::TDrvDialog(TData& d) : d_(d) {}

const TClock& TDrvDialog::Clock() const { return ::Clock(&d_); }

TDrvDialog::~TDrvDialog() { okno_.reset(); }

std::unique_ptr<TDrvDialog> TDrvDialog::Vytvor(TData& d) {
    try {
        auto dialog = std::make_unique<TDrvDialog>(d);
        dialog->okno_ = CreateWindow(*dialog);
        if (!dialog->okno_) return nullptr;
        return dialog;
    } catch (...) {
        return nullptr;  // no memory or no thread for the timer: Init reports it
    }
}

std::unique_ptr<TWindow> TDrvDialog::CreateWindow(TDrvDialog& dialog) {
    const std::string_view rezim = EnvironmentValue("RV_ZR6180_WINDOW");
    if (rezim == "none") return CreateHeadlessWindow(dialog);
    std::unique_ptr<TWindow> okno;
    // In "auto" without any display there is nothing to try and nothing to warn about.
    const bool displej = !EnvironmentValue("DISPLAY").empty() || !EnvironmentValue("WAYLAND_DISPLAY").empty();
    if (rezim == "gtk" || displej) okno = CreateModuleWindow(dialog);
    if (rezim == "gtk" || okno) return okno;
    return CreateHeadlessWindow(dialog);
}

// ---- Driver side ---------------------------------------------------------

void TDrvDialog::NastavOkno() {
    bool zmena = false;
    {
        std::lock_guard g(zamek_);
        z_.Edit1 = "100";
        z_.Edit2 = "1";
        TCell t;
        t.Add(static_cast<int32_t>(d_.Cfg.PocetRozhrani));
        Nastav(z_.PocetRozhrani, t);
        t.Clear();
        t.Add(static_cast<int32_t>(d_.Cfg.PocetKanalu));
        Nastav(z_.PocetKanalu, t);
        zmena = changeLogging(d_.Cfg.LogRozhraniPovolen != 0);
        ZobrazenyKanal = 100;
    }
    if (zmena) CheckBox1Click();  // ticking the box here counts as a click
    SetVisible(d_.Cfg.OknoPovoleno != 0);
    if (okno_) okno_->DrawAll();
}

void TDrvDialog::SetVisible(bool viditelne) {
    {
        std::lock_guard g(zamek_);
        z_.Viditelne = viditelne;
    }
    if (okno_) okno_->SetVisible(viditelne);
}

void TDrvDialog::Minimise() {
    if (okno_) okno_->Minimise();
}

void TDrvDialog::Restore() {
    if (okno_) okno_->Restore();
}

void TDrvDialog::Focus() {
    // Focus never shows a window: a hidden one, or one that must never be
    // shown, stays hidden.
    if (okno_ && Viditelne()) okno_->Focus();
}

void TDrvDialog::Place(int32_t l, int32_t t, int32_t w, int32_t h) {
    if (okno_) okno_->Place(l, t, w, h);
}

void TDrvDialog::PovolOkno(uint32_t pozadovana, uint32_t udelena) {
    const bool povoleno = udelena >= pozadovana;
    {
        std::lock_guard g(zamek_);
        z_.Povoleno = povoleno;
    }
    if (okno_) okno_->Enable(povoleno);
}

void TDrvDialog::StopTimer() {
    if (okno_) okno_->StopTimer();
}

// ---- Refresh -------------------------------------------------------------

// Called from the host's main loop or the timer thread: an error in one tick
// (no memory for a text) skips that tick only.
void TDrvDialog::Timer1Timer() noexcept {
    Contained([&] {
        std::lock_guard g(zamek_);
        if (!z_.Viditelne) return;  // a minimised window still counts as shown
        switch (z_.Stranka) {
            case TStranka::Info: refreshInfoLocked(); break;
            case TStranka::Rozhrani: refreshInterfaceLocked(); break;
            case TStranka::Kanal: refreshChannelLocked(); break;
        }
    });
}

void TDrvDialog::ObnovInfo() {
    std::lock_guard g(zamek_);
    refreshInfoLocked();
}

void TDrvDialog::ObnovKanal() {
    std::lock_guard g(zamek_);
    refreshChannelLocked();
}

void TDrvDialog::ObnovRozhrani() {
    std::lock_guard g(zamek_);
    refreshInterfaceLocked();
}

TColour TDrvDialog::BarvaRozhrani(const TRozhrani& r) {
    if (r.Pouzito == 0) return ColourGrey;
    if (r.Status != 0) return ColourRed;
    for (const auto& s : r.StatusKanalu)
        if (s != 0) return ColourYellow;
    return ColourGreen;
}

std::string_view TDrvDialog::OrizniText(std::string_view t, std::size_t n) {
    return t.size() <= n ? t : t.substr(0, n);
}

void TDrvDialog::refreshInfoLocked() {
    {
        std::lock_guard g(d_.ZamekOkna);
        FillInfoRows(d_, z_.Info);
    }
    // The boxes read single status bytes only: the long scan stays outside
    // the lock so that no writer waits for it.
    for (int i = RozhraniPrvni; i <= RozhraniPosledni; ++i)
        z_.Indikatory[i] = BarvaRozhrani(d_.Rozhrani[i]);
}

void FillInfoRows(const TData& d, TInfoRows& info) {
    const uint32_t n = d.PosledniChybnyKanal;
    const TKanal* k = JeKanal(n) ? &d.Kanaly[n] : nullptr;
    for (int r : {RInfo::Kanal, RInfo::Rozhrani, RInfo::Adresa}) Nastav(info[r], Dash);
    TCell t;
    if (n == 0) {
        Nastav(info[RInfo::Status], "Komunikace v pořádku."_cp);
    } else if (k == nullptr || k->Pouzit == 0) {
        // A number outside the table is reported like an undeclared channel.
        t.Add("Nedefinovaný kanál "_cp).Add(n).Add('.');
        Nastav(info[RInfo::Status], t);
    } else if (k->Status == 0) {
        Nastav(info[RInfo::Status], "Komunikace v pořádku."_cp);
    } else {
        t.Add(n);
        Nastav(info[RInfo::Kanal], t);
        t.Clear();
        t.Add(static_cast<uint8_t>(k->Rozhrani));
        Nastav(info[RInfo::Rozhrani], t);
        t.Clear();
        t.Add(static_cast<uint8_t>(k->Adresa));
        Nastav(info[RInfo::Adresa], t);
        Nastav(info[RInfo::Status], ChannelStatusText(k->Status));
    }
}

void TDrvDialog::refreshChannelLocked() {
    uint32_t n = ZobrazenyKanal;
    if (n < KanalPrvni) n = KanalPrvni;
    if (n > KanalPosledni) n = KanalPosledni;
    ZobrazenyKanal = n;
    std::lock_guard g(d_.ZamekOkna);
    FillChannelRows(d_, n, z_.Kanal);
}

void FillChannelRows(const TData& d, uint32_t n, TChannelRows& s) {
    const TKanal& k = d.Kanaly[n];
    TCell t;
    t.Add(n);
    Nastav(s[RKanal::Cislo], t);
    if (k.Pouzit == 0) {
        for (int r = RKanal::Cislo + 1; r < RKanal::Status; ++r) Nastav(s[r], Dash);
        Nastav(s[RKanal::Status], "Kanál nedefinován."_cp);
        return;
    }
    const uint8_t i = k.Rozhrani;
    // A declared channel always names an interface 1..16; should it not, the
    // interface rows stay empty instead of reading outside the table.
    const TRozhrani* r = JeRozhrani(i) ? &d.Rozhrani[i] : nullptr;
    const TModul m = r != nullptr ? r->Moduly[k.Adresa] : TModul{};
    Nastav(s[RKanal::Kod], Clipped(k.Kod));
    Nastav(s[RKanal::Nazev], Clipped(k.Nazev));
    Nastav(s[RKanal::Popis], Clipped(k.Popis));
    t.Clear();
    t.Add(i);
    if (r != nullptr && r->Demo != 0) t.Add(DemoRezim);
    Nastav(s[RKanal::CisloRozhrani], t);
    Nastav(s[RKanal::KodRozhrani], r != nullptr ? Clipped(r->Kod) : Dash);
    Nastav(s[RKanal::NazevRozhrani], r != nullptr ? Clipped(r->Nazev) : Dash);
    t.Clear();
    t.Add(static_cast<uint8_t>(k.Adresa));
    Nastav(s[RKanal::Adresa], t);
    t.Clear();
    t.Add(static_cast<uint8_t>(k.Periferie));
    Nastav(s[RKanal::Periferie], t);
    t.Clear();
    t.Add(static_cast<uint8_t>(k.Subperiferie));
    Nastav(s[RKanal::Subperiferie], t);
    t.Clear();
    t.Add("0x").Hex(static_cast<uint8_t>(k.StatusRegistr & 0xF7), 2);
    Nastav(s[RKanal::StatusRegistr], t);
    t.Clear();
    t.Add(static_cast<uint32_t>(k.PocetVolani));
    Nastav(s[RKanal::PocetVolani], t);
    t.Clear();
    t.Add(static_cast<uint32_t>(k.CasovaZnacka));
    Nastav(s[RKanal::CasovaZnacka], t);
    t.Clear();
    t.Add(static_cast<uint32_t>(k.DobaRS)).Add('/');
    t.Add(static_cast<uint32_t>(k.DobaLAN)).Add('/');
    t.Add(static_cast<uint32_t>(k.DobaCelkem));
    Nastav(s[RKanal::Doby], t);
    s[RKanal::Hodnota] = HodnotaKanaluText(n, k, m, d.Lokalizace.DesetinnyOddelovac);
    Nastav(s[RKanal::Status], ChannelStatusText(k.Status));
}

void TDrvDialog::refreshInterfaceLocked() {
    uint32_t i = ZobrazeneRozhrani;
    if (i > RozhraniPosledni) i = RozhraniPosledni;
    if (i == 0) i = RozhraniPrvni;
    ZobrazeneRozhrani = i;
    std::lock_guard g(d_.ZamekOkna);
    FillInterfaceRows(d_, i, z_.Rozhrani);
}

void FillInterfaceRows(const TData& d, uint32_t i, TInterfaceRows& s) {
    const TRozhrani& r = d.Rozhrani[i];
    TCell t;
    t.Add(i);
    if (r.Pouzito == 0) {
        Nastav(s[RRozhrani::Cislo], t);
        for (int k = RRozhrani::Cislo + 1; k < RRozhrani::Status; ++k) Nastav(s[k], Dash);
        Nastav(s[RRozhrani::Status], "Rozhrani nedefinováno."_cp);
        return;
    }
    if (r.Demo != 0) t.Add(DemoRezim);
    Nastav(s[RRozhrani::Cislo], t);
    Nastav(s[RRozhrani::Kod], Clipped(r.Kod));
    Nastav(s[RRozhrani::Nazev], Clipped(r.Nazev));
    Nastav(s[RRozhrani::Popis], Clipped(r.Popis));
    Nastav(s[RRozhrani::Typ], Clipped(r.Typ));
    t.Clear();
    t.Add(r.IPAdresa).Add(" / ").Add(static_cast<int32_t>(r.UdpPort));
    Nastav(s[RRozhrani::IPPort], Clipped(t));
    const auto cislo = [&](int radek, int32_t v) {
        t.Clear();
        t.Add(v);
        Nastav(s[radek], t);
    };
    cislo(RRozhrani::UdpTimeout, r.UdpTimeout);
    cislo(RRozhrani::Baud, r.Baud);
    cislo(RRozhrani::Timeout, r.Timeout);
    cislo(RRozhrani::Opakovani, r.Opakovani);
    cislo(RRozhrani::PocetModulu, r.PocetModulu);
    cislo(RRozhrani::PocetKanalu, r.PocetKanalu);
    t.Clear();
    AddFill(t, d.Fronty[i].PocetPotvrzenych, d.Lokalizace.DesetinnyOddelovac);
    Nastav(s[RRozhrani::Fifo], t);
    uint32_t moduly = 0;
    for (const auto& m : r.Moduly) moduly += m.Status != 0;
    uint32_t kanaly = 0;
    for (const auto& k : r.StatusKanalu) kanaly += k != 0;
    t.Clear();
    t.Add(moduly);
    Nastav(s[RRozhrani::ChybnychModulu], t);
    t.Clear();
    t.Add(kanaly);
    Nastav(s[RRozhrani::ChybnychKanalu], t);
    Nastav(s[RRozhrani::Status], Clipped(StatusText(static_cast<uint32_t>(static_cast<int32_t>(r.Status)))));
}

// ---- Input ---------------------------------------------------------------

bool TDrvDialog::FormCloseQuery() const { return false; }

bool TDrvDialog::Edit1KeyPress(char c) {
    std::lock_guard g(zamek_);
    if (!z_.Povoleno) return false;
    if (c == RvKeyEnter) {
        TChoice v = CorrectChannel(z_.Edit1);
        z_.Edit1 = std::move(v.Text);
        ZobrazenyKanal = v.Number;
        refreshChannelLocked();
    }
    return JeCislice(c) || c == RvKeyBackspace;
}

bool TDrvDialog::Edit2KeyPress(char c) {
    std::lock_guard g(zamek_);
    if (!z_.Povoleno) return false;
    if (c == RvKeyEnter) {
        TChoice v = CorrectInterface(z_.Edit2);
        z_.Edit2 = std::move(v.Text);
        ZobrazeneRozhrani = v.Number;
        refreshInterfaceLocked();
    }
    return JeCislice(c) || c == RvKeyBackspace;
}

void TDrvDialog::CheckBox1Click() {
    bool zaskrtnuto = false;
    {
        std::lock_guard g(zamek_);
        zaskrtnuto = z_.Logovani;
    }
    // The interface threads take the request up after their next step.
    if (zaskrtnuto)
        d_.Cfg.LogZapnout = 1;
    else
        d_.Cfg.LogVypnout = 1;
    WakeAllInterfaces(d_);
}

bool TDrvDialog::changeLogging(bool ticked) {
    if (z_.Logovani == ticked) return false;
    z_.Logovani = ticked;
    return true;
}

bool TDrvDialog::TypeChannelKey(char c) {
    if (!Edit1KeyPress(c)) return false;
    std::lock_guard g(zamek_);
    PisDoPole(z_.Edit1, c);
    return true;
}

bool TDrvDialog::TypeInterfaceKey(char c) {
    if (!Edit2KeyPress(c)) return false;
    std::lock_guard g(zamek_);
    PisDoPole(z_.Edit2, c);
    return true;
}

void TDrvDialog::SetChannelFieldText(std::string_view t) {
    std::lock_guard g(zamek_);
    Nastav(z_.Edit1, t);
}

void TDrvDialog::SetInterfaceFieldText(std::string_view t) {
    std::lock_guard g(zamek_);
    Nastav(z_.Edit2, t);
}

bool TDrvDialog::SelectPage(TStranka s) {
    std::lock_guard g(zamek_);
    if (!z_.Povoleno) return false;
    z_.Stranka = s;  // the next tick refreshes it
    return true;
}

bool TDrvDialog::ClickLogging(bool ticked) {
    bool zmena = false;
    {
        std::lock_guard g(zamek_);
        if (!z_.Povoleno) return false;
        zmena = changeLogging(ticked);
    }
    if (zmena) CheckBox1Click();
    return true;
}

TZobrazeni TDrvDialog::Snimek() const {
    std::lock_guard g(zamek_);
    return z_;
}

bool TDrvDialog::Viditelne() const {
    std::lock_guard g(zamek_);
    return z_.Viditelne;
}

bool TDrvDialog::Povoleno() const {
    std::lock_guard g(zamek_);
    return z_.Povoleno;
}
