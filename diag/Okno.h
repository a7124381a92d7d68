// The window toolkit seam: what the view model asks of a screen. One layer
// draws with GTK3 through the window module, the other has no screen and
// only ticks the timer.
#pragma once

#include <cstdint>
#include <memory>

class TDrvDialog;

class TOkno {
public:
    virtual ~TOkno() = default;
    virtual void NastavViditelnost(bool viditelne) = 0;
    virtual void Minimalizuj() = 0;
    virtual void Obnov() = 0;
    virtual void Fokus() = 0;
    virtual void Umisti(int32_t l, int32_t t, int32_t w, int32_t h) = 0;
    virtual void Povol(bool povoleno) = 0;
    virtual void ZastavTimer() = 0;
    // Puts the view model's current texts on screen: the page in view, the
    // header values, the entry fields and the check box.
    virtual void Vykresli() = 0;
};

// The layers take the view model by reference; it owns them and outlives them.
// Its 200 ms timer runs on a thread of its own.
std::unique_ptr<TOkno> VytvorOknoHeadless(TDrvDialog& dialog);
// The window on screen, drawn by the window module (GTK3), which is loaded
// now if it is not yet. Created on the calling thread; its timer is
// dispatched by the default GLib main context. Null when the module cannot
// be loaded or cannot open a display.
std::unique_ptr<TOkno> CreateModuleWindow(TDrvDialog& dialog);
