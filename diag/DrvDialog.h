// The diagnostic window (unit DRVFORM) as a view model: every refresh turns
// the driver state into the texts and colours of the page in view, and the
// toolkit layer behind diag/Window.h only puts them on screen.
//
// The window is a shared view of TData: a page refresh reads the shown
// records under d.WindowLock, which their writers hold too. The view model's
// own state (selections, texts, flags) has its own lock, because the
// headless layer ticks on a thread of its own while the host's thread calls
// NastavOkno, DriverProc's operations and the key handlers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/Atom.h"
#include "diag/PageRows.h"

struct TData;
class TClock;
struct TRozhrani;
class TWindow;

struct TColour {
    uint8_t R = 0, G = 0, B = 0;
    friend bool operator==(const TColour&, const TColour&) = default;
};

inline constexpr TColour ColourGrey{128, 128, 128};
inline constexpr TColour ColourRed{255, 0, 0};
inline constexpr TColour ColourYellow{255, 255, 0};
inline constexpr TColour ColourGreen{0, 255, 0};

enum class TPage : uint8_t { Info = 0, Interface = 1, Channel = 2 };

// Everything the window shows, code page 1250. Texts of a page stay as they
// are until that page is refreshed.
struct TShown {
    TPage Page = TPage::Info;
    TInfoRows Info;
    FixedArray<TColour, 1, 16> Indicators{};  // box k stands for interface k
    std::string PocetRozhrani;         // "Počet definovaných rozhraní", set once
    std::string PocetKanalu;           // "Počet definovaných kanálů", set once
    TInterfaceRows Rozhrani;
    TChannelRows Kanal;
    std::string Edit1;  // channel entry field
    std::string Edit2;  // interface entry field
    bool Logging = false;  // tick of "Logování chyb"
    bool Visible = false;
    bool Enabled = true;
};

class TDrvDialog {
public:
    // The window for the driver's Init: the layer follows RV_ZR6180_WINDOW
    // ("auto" by default, "gtk", "none"). Null when it cannot be created.
    static std::unique_ptr<TDrvDialog> Create(TData& d);

    // A view model without any layer: no screen and no timer (tests drive it).
    explicit TDrvDialog(TData& d);
    // The instance's clock, for a window's own timer.
    const TClock& Clock() const;
    ~TDrvDialog();  // stops the timer and destroys the on-screen window
    TDrvDialog(const TDrvDialog&) = delete;
    TDrvDialog& operator=(const TDrvDialog&) = delete;

    Atom<uint32_t> ZobrazenyKanal;     // 0 until NastavOkno, then 99..6099
    Atom<uint32_t> ZobrazeneRozhrani;  // 0 after construction, read as 1

    // Driver side (Init, Done, DriverProc), on the host's thread.
    void NastavOkno();
    void SetVisible(bool visible);
    void Minimise();
    void Restore();
    void Focus();
    void Place(int32_t l, int32_t t, int32_t w, int32_t h);
    void PovolOkno(uint32_t requested, uint32_t granted);
    void StopTimer();

    // Refresh.
    void Timer1Timer() noexcept;
    void ObnovInfo();
    void ObnovKanal();
    void ObnovRozhrani();
    static TColour BarvaRozhrani(const TRozhrani& r);
    static std::string_view OrizniText(std::string_view t, std::size_t n);

    // Input. The key handlers return true when the field may take the
    // character, false when it is swallowed.
    bool FormCloseQuery() const;
    bool Edit1KeyPress(char c);
    bool Edit2KeyPress(char c);
    void CheckBox1Click();

    // Helpers for the toolkit layers and tests.
    bool TypeChannelKey(char c);    // a typed character, as the field would take it
    bool TypeInterfaceKey(char c);
    void SetChannelFieldText(std::string_view t);  // text that reached the field otherwise
    void SetInterfaceFieldText(std::string_view t);
    bool SelectPage(TPage s);     // a tab change; refused while disabled
    bool ClickLogging(bool ticked);  // the operator's tick; refused while disabled
    TShown Snapshot() const;       // a copy of what is shown
    bool Visible() const;
    bool Enabled() const;

private:
    static std::unique_ptr<TWindow> CreateWindow(TDrvDialog& dialog);
    void RefreshInfoLocked();
    void RefreshChannelLocked();
    void RefreshInterfaceLocked();
    bool ChangeLogging(bool ticked);

    TData& d_;
    mutable std::mutex lock_;  // guards z_; taken before d_.WindowLock
    TShown z_;
    std::unique_ptr<TWindow> window_;  // last member: its timer stops before the rest goes
};
