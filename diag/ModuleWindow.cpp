// The on-screen window as the view model sees it: a TWindow that forwards to
// the window module (diag/WindowModule.h), loaded on the first window and
// never unloaded. The module calls back into the view model through the
// table built here; nothing may unwind into the module's C frames.
#include <string>

#include "diag/DrvDialog.h"
#include "diag/PageRows.h"
#include "diag/Window.h"
#include "diag/WindowModule.h"
#include "platform/Module.h"

namespace {

static_assert(RInfo::Count == RV_WINDOW_INFO_ROWS);
static_assert(RRozhrani::Count == RV_WINDOW_INTERFACE_ROWS);
static_assert(RKanal::Count == RV_WINDOW_CHANNEL_ROWS);
static_assert(static_cast<uint32_t>(TPage::Info) == RV_WINDOW_PAGE_INFO);
static_assert(static_cast<uint32_t>(TPage::Interface) == RV_WINDOW_PAGE_INTERFACE);
static_assert(static_cast<uint32_t>(TPage::Channel) == RV_WINDOW_PAGE_CHANNEL);

const RvWindowModule* LoadWindowModule() {
    const std::string path = ModulePath("RV_ZR6180_WINDOW_MODULE", RV_WINDOW_MODULE_FILE);
    if (path.empty()) return nullptr;
    std::string error;
    void* entry = LoadModuleSymbol(path, RV_WINDOW_MODULE_ENTRY, error);
    if (entry == nullptr) return nullptr;  // Init reports that it has no window
    const RvWindowModule* m = reinterpret_cast<RvWindowModuleEntry>(entry)();
    if (m == nullptr || m->version != RV_WINDOW_MODULE_VERSION) return nullptr;
    return m;
}

// The view model's output as the module takes it; points into `z`.
RvWindowFrame Frame(const TShown& z) {
    RvWindowFrame f{};
    f.page = static_cast<uint32_t>(z.Page);
    for (int i = 0; i < RInfo::Count; ++i) f.info[i] = z.Info[i].c_str();
    for (int k = 0; k < 16; ++k) {
        const TColour& b = z.Indicators[k + 1];
        f.indicators[k] = RvColour{b.R, b.G, b.B};
    }
    f.interfaceCount = z.PocetRozhrani.c_str();
    f.channelCount = z.PocetKanalu.c_str();
    for (int i = 0; i < RRozhrani::Count; ++i) f.interfaceRows[i] = z.Rozhrani[i].c_str();
    for (int i = 0; i < RKanal::Count; ++i) f.channelRows[i] = z.Kanal[i].c_str();
    f.channelField = z.Edit1.c_str();
    f.interfaceField = z.Edit2.c_str();
    f.logging = z.Logging ? 1 : 0;
    return f;
}

class TModuleWindow final : public TWindow {
public:
    TModuleWindow(TDrvDialog& dialog, const RvWindowModule& m) : dialog_(dialog), m_(m) {}
    ~TModuleWindow() override {
        if (w_ != nullptr) m_.destroy(w_);
    }

    bool Open();

    void SetVisible(bool visible) override { m_.setVisible(w_, visible ? 1 : 0); }
    void Minimise() override { m_.minimise(w_); }
    void Restore() override { m_.restore(w_); }
    void Focus() override { m_.focus(w_); }
    void Place(int32_t l, int32_t t, int32_t w, int32_t h) override { m_.place(w_, l, t, w, h); }
    void Enable(bool enabled) override { m_.enable(w_, enabled ? 1 : 0); }
    void StopTimer() override { m_.stopTimer(w_); }
    void DrawAll() override { Draw(dialog_.Snapshot(), RV_WINDOW_DRAW_HEADERS | RV_WINDOW_DRAW_PAGE); }

private:
    void Draw(const TShown& z, uint32_t parts) {
        const RvWindowFrame f = Frame(z);
        m_.draw(w_, &f, parts);
    }
    int32_t Key(bool channel, char c);

    static TModuleWindow& Of(void* p) { return *static_cast<TModuleWindow*>(p); }
    static void Tick(void* p) noexcept;
    static int32_t MayClose(void* p) noexcept;
    static int32_t ChannelKey(void* p, char c) noexcept;
    static int32_t InterfaceKey(void* p, char c) noexcept;
    static void ChannelFieldText(void* p, const char* t) noexcept;
    static void InterfaceFieldText(void* p, const char* t) noexcept;
    static int32_t SelectPage(void* p, uint32_t page) noexcept;
    static int32_t ClickLogging(void* p, int32_t ticked) noexcept;

    TDrvDialog& dialog_;
    const RvWindowModule& m_;
    RvWindow* w_ = nullptr;
};

bool TModuleWindow::Open() {
    RvWindowCaptions captions{};
    for (int i = 0; i < RInfo::Count; ++i) captions.info[i] = InfoCaptions[i].data();
    for (int i = 0; i < RRozhrani::Count; ++i) captions.interfaceRows[i] = InterfaceCaptions[i].data();
    for (int i = 0; i < RKanal::Count; ++i) captions.channelRows[i] = ChannelCaptions[i].data();
    const RvWindowCalls calls{this,          &Tick,         &MayClose,           &ChannelKey,   &InterfaceKey,
                              &ChannelFieldText, &InterfaceFieldText, &SelectPage, &ClickLogging};
    w_ = m_.create(&calls, &captions);
    return w_ != nullptr;
}

void TModuleWindow::Tick(void* p) noexcept {
    try {
        TModuleWindow& self = Of(p);
        self.dialog_.Timer1Timer();
        const TShown z = self.dialog_.Snapshot();
        if (z.Visible) self.Draw(z, RV_WINDOW_DRAW_PAGE);
    } catch (...) {
        // A tick without memory for its texts is skipped; the next repeats it.
    }
}

int32_t TModuleWindow::MayClose(void* p) noexcept { return Of(p).dialog_.FormCloseQuery() ? 1 : 0; }

int32_t TModuleWindow::Key(bool channel, char c) {
    const bool takes = channel ? dialog_.Edit1KeyPress(c) : dialog_.Edit2KeyPress(c);
    if (c == RvKeyEnter && dialog_.Enabled()) {
        // The number in force and its page are shown at once.
        TShown z = dialog_.Snapshot();
        z.Page = channel ? TPage::Channel : TPage::Interface;
        Draw(z, RV_WINDOW_DRAW_PAGE | (channel ? RV_WINDOW_DRAW_CHANNEL_FIELD : RV_WINDOW_DRAW_INTERFACE_FIELD));
    }
    return takes ? 1 : 0;
}

int32_t TModuleWindow::ChannelKey(void* p, char c) noexcept {
    try {
        return Of(p).Key(true, c);
    } catch (...) {
        return 0;  // a key that cannot be judged is swallowed
    }
}

int32_t TModuleWindow::InterfaceKey(void* p, char c) noexcept {
    try {
        return Of(p).Key(false, c);
    } catch (...) {
        return 0;
    }
}

void TModuleWindow::ChannelFieldText(void* p, const char* t) noexcept {
    try {
        Of(p).dialog_.SetChannelFieldText(t);
    } catch (...) {
    }
}

void TModuleWindow::InterfaceFieldText(void* p, const char* t) noexcept {
    try {
        Of(p).dialog_.SetInterfaceFieldText(t);
    } catch (...) {
    }
}

int32_t TModuleWindow::SelectPage(void* p, uint32_t page) noexcept {
    try {
        if (page > RV_WINDOW_PAGE_CHANNEL) return 0;
        return Of(p).dialog_.SelectPage(static_cast<TPage>(page)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t TModuleWindow::ClickLogging(void* p, int32_t ticked) noexcept {
    try {
        return Of(p).dialog_.ClickLogging(ticked != 0) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace

std::unique_ptr<TWindow> CreateModuleWindow(TDrvDialog& dialog) {
    const RvWindowModule* m = LoadWindowModule();
    if (m == nullptr) return nullptr;
    auto window = std::make_unique<TModuleWindow>(dialog, *m);
    if (!window->Open()) return nullptr;
    return window;
}
