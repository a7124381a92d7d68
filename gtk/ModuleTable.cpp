// The window module's C table, the one name the module exports.
#include <memory>

#include "base/Contained.h"
#include "gtk/GtkWindow.h"

namespace gtk_window {
namespace {

TGtkWindow* Of(RvWindow* w) { return reinterpret_cast<TGtkWindow*>(w); }

// The module's table. Only GTK and the driver's noexcept call-backs are
// reached from here, except where a catch says otherwise.
RvWindow* Create(const RvWindowCalls* calls, const RvWindowCaptions* captions) noexcept {
    if (calls == nullptr || captions == nullptr) return nullptr;
    try {
        if (!gtk_init_check(nullptr, nullptr)) return nullptr;
        auto window = std::make_unique<TGtkWindow>(*calls);
        if (!window->Build(*captions)) return nullptr;
        return reinterpret_cast<RvWindow*>(window.release());
    } catch (...) {
        return nullptr;  // no memory: the driver has no window
    }
}

void Destroy(RvWindow* w) noexcept { delete Of(w); }
void SetVisible(RvWindow* w, int32_t visible) noexcept { Of(w)->SetVisible(visible != 0); }
void Minimise(RvWindow* w) noexcept { Of(w)->Minimise(); }
void Restore(RvWindow* w) noexcept { Of(w)->Restore(); }
void Focus(RvWindow* w) noexcept { Of(w)->Focus(); }
void Place(RvWindow* w, int32_t l, int32_t t, int32_t width, int32_t height) noexcept {
    Of(w)->Place(l, t, width, height);
}
void Enable(RvWindow* w, int32_t enabled) noexcept { Of(w)->Enable(enabled != 0); }
void StopTimer(RvWindow* w) noexcept { Of(w)->StopTimer(); }
void Draw(RvWindow* w, const RvWindowFrame* frame, uint32_t parts) noexcept {
    // A frame that cannot be drawn (no memory for a text) waits for the next.
    if (frame != nullptr) Contained([&] { Of(w)->DrawAll(*frame, parts); });
}

constexpr RvWindowModule Table{RV_WINDOW_MODULE_VERSION, &Create, &Destroy, &SetVisible, &Minimise, &Restore,
                               &Focus, &Place, &Enable, &StopTimer, &Draw};

}  // namespace
}  // namespace gtk_window

extern "C" __attribute__((visibility("default"))) const RvWindowModule* rv_zr6180_window_module() noexcept {
    return &gtk_window::Table;
}
