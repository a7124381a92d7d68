#include "diag/DrvDialog.h"

#include <cstring>

#include "comm/Wake.h"
#include "base/Contained.h"
#include "config/Model.h"
#include "base/Text.h"
#include "diag/Window.h"
#include "diag/WindowModule.h"
#include "platform/Environment.h"

namespace {

using TCell = TText<96>;

void Nastav(std::string& cil, std::string_view t) { cil.assign(t.data(), t.size()); }

bool JeCislice(char c) { return c >= '0' && c <= '9'; }

void PisDoPole(std::string& pole, char c) {
    if (c == RvKeyBackspace) {
        if (!pole.empty()) pole.pop_back();
    } else {
        pole.push_back(c);
    }
}

}  // namespace

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

void TDrvDialog::refreshChannelLocked() {
    uint32_t n = ZobrazenyKanal;
    if (n < KanalPrvni) n = KanalPrvni;
    if (n > KanalPosledni) n = KanalPosledni;
    ZobrazenyKanal = n;
    std::lock_guard g(d_.ZamekOkna);
    FillChannelRows(d_, n, z_.Kanal);
}

void TDrvDialog::refreshInterfaceLocked() {
    uint32_t i = ZobrazeneRozhrani;
    if (i > RozhraniPosledni) i = RozhraniPosledni;
    if (i == 0) i = RozhraniPrvni;
    ZobrazeneRozhrani = i;
    std::lock_guard g(d_.ZamekOkna);
    FillInterfaceRows(d_, i, z_.Rozhrani);
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
