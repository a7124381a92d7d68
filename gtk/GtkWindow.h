// The window module's window: the diagnostic window on screen with GTK3,
// behind the C table of diag/WindowModule.h. Everything here runs on the
// thread that created the window (the host's thread calling Init); the 200 ms
// timer is a source of the default GLib main context, dispatched whenever the
// host iterates it. The view model stays in the driver: this only draws the
// frames it is given and passes input on through the driver's call-backs.
//
// Layout.cpp builds the widgets, Drawing.cpp puts the driver's frames on
// them, Signals.cpp passes GTK's signals on to the driver, GtkWindow.cpp
// carries out the driver's commands, ModuleTable.cpp is the C table.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <string>
#include <string_view>

#include "base/Cp1250.h"
#include "diag/WindowModule.h"

namespace gtk_window {

inline std::string Utf8(std::string_view cp) { return cp1250::ToUtf8(cp); }

constexpr RvColour Grey{128, 128, 128};
constexpr RvColour Red{255, 0, 0};
constexpr RvColour Yellow{255, 255, 0};
constexpr RvColour Lime{0, 255, 0};

// A value label that is rewritten only when its text changes.
struct TValueLabel {
    GtkWidget* w = nullptr;
    std::string text;  // code page 1250, as last put on screen

    void Nastav(const char* t) {
        if (w == nullptr || t == nullptr || t == text) return;
        text = t;
        gtk_label_set_text(GTK_LABEL(w), Utf8(text).c_str());
    }
};

struct TIndicator {
    GtkWidget* w = nullptr;
    RvColour barva = Grey;
};

class TGtkWindow final {
public:
    explicit TGtkWindow(const RvWindowCalls& calls) : calls_(calls) {}
    ~TGtkWindow();
    bool Sestav(const RvWindowCaptions& captions);

    void SetVisible(bool viditelne);
    void Minimise() { gtk_window_iconify(GTK_WINDOW(okno_)); }
    void Restore() { gtk_window_deiconify(GTK_WINDOW(okno_)); }
    void Focus() { gtk_window_present(GTK_WINDOW(okno_)); }
    void Place(int32_t l, int32_t t, int32_t w, int32_t h);
    void Enable(bool povoleno);
    void StopTimer();
    void DrawAll(const RvWindowFrame& f, uint32_t parts);

private:
    // Building (Layout.cpp).
    GtkWidget* Caption(GtkWidget* fixed, std::string_view cp, int x, int y);
    GtkWidget* Hodnota(GtkWidget* fixed, const char* jmeno, int x, int y, int sirka);
    void Radky(GtkWidget* fixed, const char* const* captions, int pocet, int y0,
               int krok, int gapBeforeLast, TValueLabel* hodnoty, const char* predpona);
    GtkWidget* Stranka(std::string_view titulek);
    void StrankaInfo(GtkWidget* fixed, const RvWindowCaptions& captions);
    void StrankaRozhrani(GtkWidget* fixed, const RvWindowCaptions& captions);
    void StrankaKanal(GtkWidget* fixed, const RvWindowCaptions& captions);
    GtkWidget* Editace(GtkWidget* fixed, const char* jmeno, int x, int y);
    void Style(GtkWidget* w);

    // Input shut out or let through (GtkWindow.cpp).
    void SetBlocker();

    // Showing the view model's frames (Drawing.cpp).
    void DrawPage(const RvWindowFrame& f, uint32_t page);
    void DrawHeaders(const RvWindowFrame& f);
    void DrawField(GtkWidget* field, const char* text);

    // GTK callbacks (Signals.cpp; DrawIndicator in Drawing.cpp).
    static gboolean Tick(gpointer self);
    static gboolean CloseRequest(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean WindowKey(GtkWidget*, GdkEventKey*, gpointer self);
    static gboolean EditKey(GtkWidget* w, GdkEventKey* e, gpointer self);
    static void ZmenaEditace(GtkEditable* w, gpointer self);
    static void PageChanged(GtkNotebook* n, GtkWidget*, guint cislo, gpointer self);
    static void Zaskrtnuti(GtkToggleButton* b, gpointer self);
    static gboolean Mys(GtkWidget*, GdkEvent*, gpointer self);
    static void BlockerShown(GtkWidget*, gpointer self);
    static void PageSwitched(GtkNotebook*, GtkWidget*, guint, gpointer self);
    static gboolean DrawIndicator(GtkWidget* w, cairo_t* cr, gpointer barva);
    static void Realizace(GtkWidget* w, gpointer);

    RvWindowCalls calls_;
    GtkCssProvider* css_ = nullptr;
    GtkWidget* okno_ = nullptr;
    GtkWidget* zaklop_ = nullptr;  // above the pages while the window is disabled
    GtkWidget* stranky_ = nullptr;
    GtkWidget* edit1_ = nullptr;
    GtkWidget* edit2_ = nullptr;
    GtkWidget* logovani_ = nullptr;
    gulong loggingSignal_ = 0;
    TValueLabel pocetRozhrani_, pocetKanalu_;
    std::array<TValueLabel, RV_WINDOW_INFO_ROWS> info_;
    std::array<TValueLabel, RV_WINDOW_INTERFACE_ROWS> rozhrani_;
    std::array<TValueLabel, RV_WINDOW_CHANNEL_ROWS> kanal_;
    std::array<TIndicator, 16> indikatory_;
    std::array<RvColour, 4> legenda_{Lime, Red, Yellow, Grey};
    guint timer_ = 0;
    bool povoleno_ = true;
};

}  // namespace gtk_window
