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

    void Assign(const char* t) {
        if (w == nullptr || t == nullptr || t == text) return;
        text = t;
        gtk_label_set_text(GTK_LABEL(w), Utf8(text).c_str());
    }
};

struct TIndicator {
    GtkWidget* w = nullptr;
    RvColour colour = Grey;
};

class TGtkWindow final {
public:
    explicit TGtkWindow(const RvWindowCalls& calls) : calls_(calls) {}
    ~TGtkWindow();
    bool Build(const RvWindowCaptions& captions);

    void SetVisible(bool visible);
    void Minimise() { gtk_window_iconify(GTK_WINDOW(window_)); }
    void Restore() { gtk_window_deiconify(GTK_WINDOW(window_)); }
    void Focus() { gtk_window_present(GTK_WINDOW(window_)); }
    void Place(int32_t l, int32_t t, int32_t w, int32_t h);
    void Enable(bool enabled);
    void StopTimer();
    void DrawAll(const RvWindowFrame& f, uint32_t parts);

private:
    // Building (Layout.cpp).
    GtkWidget* Caption(GtkWidget* fixed, std::string_view cp, int x, int y);
    GtkWidget* AddValue(GtkWidget* fixed, const char* name, int x, int y, int width);
    void AddRecordRows(GtkWidget* fixed, const char* const* captions, int count, TValueLabel* values,
                       const char* prefix);
    GtkWidget* AddPage(std::string_view title);
    void BuildInfoPage(GtkWidget* fixed, const RvWindowCaptions& captions);
    void BuildInterfacePage(GtkWidget* fixed, const RvWindowCaptions& captions);
    void BuildChannelPage(GtkWidget* fixed, const RvWindowCaptions& captions);
    GtkWidget* AddEntry(GtkWidget* fixed, const char* name, int x, int y);
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
    static void EntryChanged(GtkEditable* w, gpointer self);
    static void PageChanged(GtkNotebook* n, GtkWidget*, guint number, gpointer self);
    static void LoggingToggled(GtkToggleButton* b, gpointer self);
    static gboolean PointerPressed(GtkWidget*, GdkEvent*, gpointer self);
    static void BlockerShown(GtkWidget*, gpointer self);
    static void PageSwitched(GtkNotebook*, GtkWidget*, guint, gpointer self);
    static gboolean DrawIndicator(GtkWidget* w, cairo_t* cr, gpointer colour);
    static void Realized(GtkWidget* w, gpointer);

    RvWindowCalls calls_;
    GtkCssProvider* css_ = nullptr;
    GtkWidget* window_ = nullptr;
    GtkWidget* blocker_ = nullptr;  // above the pages while the window is disabled
    GtkWidget* pages_ = nullptr;
    GtkWidget* edit1_ = nullptr;
    GtkWidget* edit2_ = nullptr;
    GtkWidget* logging_ = nullptr;
    gulong loggingSignal_ = 0;
    TValueLabel interfaceCount_, channelCount_;
    std::array<TValueLabel, RV_WINDOW_INFO_ROWS> info_;
    std::array<TValueLabel, RV_WINDOW_INTERFACE_ROWS> interface_;
    std::array<TValueLabel, RV_WINDOW_CHANNEL_ROWS> channel_;
    std::array<TIndicator, 16> indicators_;
    std::array<RvColour, 4> legend_{Lime, Red, Yellow, Grey};
    guint timer_ = 0;
    bool enabled_ = true;
};

}  // namespace gtk_window
