// The window toolkit seam: what the view model asks of a screen. One layer
// draws with GTK3 through the window module, the other has no screen and
// only ticks the timer.
#pragma once

#include <cstdint>
#include <memory>

class TDrvDialog;

class TWindow {
public:
    virtual ~TWindow() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual void Minimise() = 0;
    virtual void Restore() = 0;
    virtual void Focus() = 0;
    virtual void Place(int32_t l, int32_t t, int32_t w, int32_t h) = 0;
    virtual void Enable(bool enabled) = 0;
    virtual void StopTimer() = 0;
    // Puts the view model's current texts on screen: the page in view, the
    // header values, the entry fields and the check box.
    virtual void DrawAll() = 0;
};

// The layers take the view model by reference; it owns them and outlives them.
// Its 200 ms timer runs on a thread of its own.
std::unique_ptr<TWindow> CreateHeadlessWindow(TDrvDialog& dialog);
// The window on screen, drawn by the window module (GTK3), which is loaded
// now if it is not yet. Created on the calling thread; its timer is
// dispatched by the default GLib main context. Null when the module cannot
// be loaded or cannot open a display.
std::unique_ptr<TWindow> CreateModuleWindow(TDrvDialog& dialog);
