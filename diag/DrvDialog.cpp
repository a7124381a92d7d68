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

void Assign(std::string& target, std::string_view t) { target.assign(t.data(), t.size()); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void TypeIntoField(std::string& field, char c) {
    if (c == RvKeyBackspace) {
        if (!field.empty()) field.pop_back();
    } else {
        field.push_back(c);
    }
}

}  // namespace

TDrvDialog::TDrvDialog(TData& d) : d_(d) {}

const TClock& TDrvDialog::Clock() const { return ::Clock(&d_); }

TDrvDialog::~TDrvDialog() { window_.reset(); }

std::unique_ptr<TDrvDialog> TDrvDialog::Create(TData& d) {
    try {
        auto dialog = std::make_unique<TDrvDialog>(d);
        dialog->window_ = CreateWindow(*dialog);
        if (!dialog->window_) return nullptr;
        return dialog;
    } catch (...) {
        return nullptr;  // no memory or no thread for the timer: Init reports it
    }
}

std::unique_ptr<TWindow> TDrvDialog::CreateWindow(TDrvDialog& dialog) {
    const std::string_view mode = EnvironmentValue("RV_ZR6180_WINDOW");
    if (mode == "none") return CreateHeadlessWindow(dialog);
    std::unique_ptr<TWindow> window;
    // In "auto" without any display there is nothing to try and nothing to warn about.
    const bool display = !EnvironmentValue("DISPLAY").empty() || !EnvironmentValue("WAYLAND_DISPLAY").empty();
    if (mode == "gtk" || display) window = CreateModuleWindow(dialog);
    if (mode == "gtk" || window) return window;
    return CreateHeadlessWindow(dialog);
}

// ---- Driver side ---------------------------------------------------------

void TDrvDialog::NastavOkno() {
    bool change = false;
    {
        std::lock_guard g(lock_);
        z_.Edit1 = "100";
        z_.Edit2 = "1";
        TCell t;
        t.Add(static_cast<int32_t>(d_.Cfg.PocetRozhrani));
        Assign(z_.PocetRozhrani, t);
        t.Clear();
        t.Add(static_cast<int32_t>(d_.Cfg.PocetKanalu));
        Assign(z_.PocetKanalu, t);
        change = ChangeLogging(d_.Cfg.LogRozhraniPovolen != 0);
        ZobrazenyKanal = 100;
    }
    if (change) CheckBox1Click();  // ticking the box here counts as a click
    SetVisible(d_.Cfg.OknoPovoleno != 0);
    if (window_) window_->DrawAll();
}

void TDrvDialog::SetVisible(bool visible) {
    {
        std::lock_guard g(lock_);
        z_.Visible = visible;
    }
    if (window_) window_->SetVisible(visible);
}

void TDrvDialog::Minimise() {
    if (window_) window_->Minimise();
}

void TDrvDialog::Restore() {
    if (window_) window_->Restore();
}

void TDrvDialog::Focus() {
    // Focus never shows a window: a hidden one, or one that must never be
    // shown, stays hidden.
    if (window_ && Visible()) window_->Focus();
}

void TDrvDialog::Place(int32_t l, int32_t t, int32_t w, int32_t h) {
    if (window_) window_->Place(l, t, w, h);
}

void TDrvDialog::PovolOkno(uint32_t requested, uint32_t granted) {
    const bool enabled = granted >= requested;
    {
        std::lock_guard g(lock_);
        z_.Enabled = enabled;
    }
    if (window_) window_->Enable(enabled);
}

void TDrvDialog::StopTimer() {
    if (window_) window_->StopTimer();
}

// ---- Refresh -------------------------------------------------------------

// Called from the host's main loop or the timer thread: an error in one tick
// (no memory for a text) skips that tick only.
void TDrvDialog::Timer1Timer() noexcept {
    Contained([&] {
        std::lock_guard g(lock_);
        if (!z_.Visible) return;  // a minimised window still counts as shown
        switch (z_.Page) {
            case TPage::Info: RefreshInfoLocked(); break;
            case TPage::Interface: RefreshInterfaceLocked(); break;
            case TPage::Channel: RefreshChannelLocked(); break;
        }
    });
}

void TDrvDialog::ObnovInfo() {
    std::lock_guard g(lock_);
    RefreshInfoLocked();
}

void TDrvDialog::ObnovKanal() {
    std::lock_guard g(lock_);
    RefreshChannelLocked();
}

void TDrvDialog::ObnovRozhrani() {
    std::lock_guard g(lock_);
    RefreshInterfaceLocked();
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

void TDrvDialog::RefreshInfoLocked() {
    {
        std::lock_guard g(d_.WindowLock);
        FillInfoRows(d_, z_.Info);
    }
    // The boxes read single status bytes only: the long scan stays outside
    // the lock so that no writer waits for it.
    for (int i = FirstInterface; i <= LastInterface; ++i)
        z_.Indicators[i] = BarvaRozhrani(d_.Rozhrani[i]);
}

void TDrvDialog::RefreshChannelLocked() {
    uint32_t n = ZobrazenyKanal;
    if (n < FirstChannel) n = FirstChannel;
    if (n > LastChannel) n = LastChannel;
    ZobrazenyKanal = n;
    std::lock_guard g(d_.WindowLock);
    FillChannelRows(d_, n, z_.Kanal);
}

void TDrvDialog::RefreshInterfaceLocked() {
    uint32_t i = ZobrazeneRozhrani;
    if (i > LastInterface) i = LastInterface;
    if (i == 0) i = FirstInterface;
    ZobrazeneRozhrani = i;
    std::lock_guard g(d_.WindowLock);
    FillInterfaceRows(d_, i, z_.Rozhrani);
}

// ---- Input ---------------------------------------------------------------

bool TDrvDialog::FormCloseQuery() const { return false; }

bool TDrvDialog::Edit1KeyPress(char c) {
    std::lock_guard g(lock_);
    if (!z_.Enabled) return false;
    if (c == RvKeyEnter) {
        TChoice v = CorrectChannel(z_.Edit1);
        z_.Edit1 = std::move(v.Text);
        ZobrazenyKanal = v.Number;
        RefreshChannelLocked();
    }
    return IsDigit(c) || c == RvKeyBackspace;
}

bool TDrvDialog::Edit2KeyPress(char c) {
    std::lock_guard g(lock_);
    if (!z_.Enabled) return false;
    if (c == RvKeyEnter) {
        TChoice v = CorrectInterface(z_.Edit2);
        z_.Edit2 = std::move(v.Text);
        ZobrazeneRozhrani = v.Number;
        RefreshInterfaceLocked();
    }
    return IsDigit(c) || c == RvKeyBackspace;
}

void TDrvDialog::CheckBox1Click() {
    bool ticked2 = false;
    {
        std::lock_guard g(lock_);
        ticked2 = z_.Logging;
    }
    // The interface threads take the request up after their next step.
    if (ticked2)
        d_.Cfg.LogZapnout = 1;
    else
        d_.Cfg.LogVypnout = 1;
    WakeAllInterfaces(d_);
}

bool TDrvDialog::ChangeLogging(bool ticked) {
    if (z_.Logging == ticked) return false;
    z_.Logging = ticked;
    return true;
}

bool TDrvDialog::TypeChannelKey(char c) {
    if (!Edit1KeyPress(c)) return false;
    std::lock_guard g(lock_);
    TypeIntoField(z_.Edit1, c);
    return true;
}

bool TDrvDialog::TypeInterfaceKey(char c) {
    if (!Edit2KeyPress(c)) return false;
    std::lock_guard g(lock_);
    TypeIntoField(z_.Edit2, c);
    return true;
}

void TDrvDialog::SetChannelFieldText(std::string_view t) {
    std::lock_guard g(lock_);
    Assign(z_.Edit1, t);
}

void TDrvDialog::SetInterfaceFieldText(std::string_view t) {
    std::lock_guard g(lock_);
    Assign(z_.Edit2, t);
}

bool TDrvDialog::SelectPage(TPage s) {
    std::lock_guard g(lock_);
    if (!z_.Enabled) return false;
    z_.Page = s;  // the next tick refreshes it
    return true;
}

bool TDrvDialog::ClickLogging(bool ticked) {
    bool change = false;
    {
        std::lock_guard g(lock_);
        if (!z_.Enabled) return false;
        change = ChangeLogging(ticked);
    }
    if (change) CheckBox1Click();
    return true;
}

TShown TDrvDialog::Snapshot() const {
    std::lock_guard g(lock_);
    return z_;
}

bool TDrvDialog::Visible() const {
    std::lock_guard g(lock_);
    return z_.Visible;
}

bool TDrvDialog::Enabled() const {
    std::lock_guard g(lock_);
    return z_.Enabled;
}
