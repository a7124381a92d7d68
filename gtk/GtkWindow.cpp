// The window module: the diagnostic window on screen with GTK3, behind the
// C table of diag/WindowModule.h. Everything here runs on the thread that
// created the window (the host's thread calling Init); the 200 ms timer is a
// source of the default GLib main context, dispatched whenever the host
// iterates it. The view model stays in the driver: this only draws the
// frames it is given and passes input on through the driver's call-backs.
#include <gtk/gtk.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "base/Contained.h"
#include "base/Cp1250.h"
#include "diag/WindowModule.h"
#include "diag/WindowTexts.h"
#include "gtk/Pictures.h"

namespace {

namespace texts = window_texts;

constexpr int Sirka = 456;
constexpr int Vyska = 405;
constexpr int PageWidth = 449;
constexpr int PageHeight = 377;
constexpr int ValueColumn = 178;  // x of the value column on the lower blocks

// Scoped to this window's widgets only: the provider is added to each of
// them, never to the screen, so the host's own windows keep their looks.
constexpr const char* Styl = R"(
* { font-family: "MS Sans Serif", "Microsoft Sans Serif", sans-serif; font-size: 8pt; }
label { color: black; }
window, notebook, notebook > stack, notebook > header, frame, checkbutton {
    background-color: rgb(192,192,192); background-image: none; }
notebook > header { padding: 0; border: none; }
notebook > header > tabs { margin: 0; }
notebook > header tab { padding: 1px 10px; min-height: 0; min-width: 0;
    border-style: solid; border-width: 1px 1px 0 1px; border-radius: 2px 2px 0 0;
    border-color: white rgb(64,64,64) rgb(64,64,64) white; color: black; }
notebook > header tab:checked { background-color: rgb(192,192,192); box-shadow: none; }
notebook > header tab:not(:checked) { background-color: rgb(180,180,180); }
frame.rv-panel > border { border-style: solid; border-width: 1px;
    border-color: rgb(128,128,128) white white rgb(128,128,128); border-radius: 0; }
frame.rv-skupina > border { border-style: groove; border-width: 2px;
    border-color: rgb(160,160,160); border-radius: 0; }
label.rv-hodnota { color: rgb(0,0,255); }
label.rv-titulek { font-weight: bold; font-size: 15pt; }
entry { min-height: 0; padding: 1px 3px; border-radius: 0; background-color: white;
    border-color: rgb(128,128,128); }
checkbutton { padding: 0; }
separator { background-color: rgb(128,128,128); min-height: 1px; }
)";

std::string Utf8(std::string_view cp) { return cp1250::ToUtf8(cp); }

// The event box keeps its input-only window private: it is the child of the
// box's parent window that the box owns.
GdkWindow* InputWindowOf(GtkWidget* box) {
    GdkWindow* parent = gtk_widget_get_window(box);
    if (parent == nullptr) return nullptr;
    for (GList* c = gdk_window_peek_children(parent); c != nullptr; c = c->next) {
        gpointer owner = nullptr;
        gdk_window_get_user_data(GDK_WINDOW(c->data), &owner);
        if (owner == box) return GDK_WINDOW(c->data);
    }
    return nullptr;
}

constexpr RvColour Grey{128, 128, 128};
constexpr RvColour Red{255, 0, 0};
constexpr RvColour Yellow{255, 255, 0};
constexpr RvColour Lime{0, 255, 0};

bool Same(const RvColour& a, const RvColour& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

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
    // Building.
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
    void SetBlocker();

    // Showing the view model's frames.
    void DrawPage(const RvWindowFrame& f, uint32_t page);
    void DrawHeaders(const RvWindowFrame& f);
    void DrawField(GtkWidget* field, const char* text);

    // GTK callbacks.
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

TGtkWindow::~TGtkWindow() {
    StopTimer();
    if (okno_ != nullptr) {
        // While the window is destroyed the pages leave the notebook one by
        // one and their accessibles are told; an assistive tool's bridge
        // then asks each for its tab label, which the notebook no longer
        // has, and GTK warns on the host's stderr. Without tabs the
        // accessibles look for no label.
        gtk_notebook_set_show_tabs(GTK_NOTEBOOK(stranky_), FALSE);
        gtk_widget_destroy(okno_);
    }
    if (css_ != nullptr) g_object_unref(css_);
}

bool TGtkWindow::Sestav(const RvWindowCaptions& captions) {
    css_ = gtk_css_provider_new();
    if (!gtk_css_provider_load_from_data(css_, Styl, -1, nullptr)) return false;

    okno_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_name(okno_, "rv_okno");
    gtk_window_set_title(GTK_WINDOW(okno_), std::string(texts::Title).c_str());
    gtk_window_set_resizable(GTK_WINDOW(okno_), FALSE);
    gtk_window_set_deletable(GTK_WINDOW(okno_), FALSE);
    gtk_window_set_position(GTK_WINDOW(okno_), GTK_WIN_POS_CENTER);
    if (GdkPixbuf* ikona = pictures::Icon(); ikona != nullptr) {
        gtk_window_set_icon(GTK_WINDOW(okno_), ikona);
        g_object_unref(ikona);
    }
    g_signal_connect(okno_, "delete-event", G_CALLBACK(CloseRequest), this);
    g_signal_connect(okno_, "key-press-event", G_CALLBACK(WindowKey), this);
    g_signal_connect(okno_, "realize", G_CALLBACK(Realizace), nullptr);

    GtkWidget* koren = gtk_fixed_new();
    gtk_widget_set_size_request(koren, Sirka, Vyska);
    gtk_container_add(GTK_CONTAINER(okno_), koren);

    zaklop_ = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(zaklop_), FALSE);
    for (const char* s : {"button-press-event", "button-release-event", "scroll-event"})
        g_signal_connect(zaklop_, s, G_CALLBACK(Mys), this);
    g_signal_connect_after(zaklop_, "map", G_CALLBACK(BlockerShown), this);
    gtk_fixed_put(GTK_FIXED(koren), zaklop_, 2, 3);

    stranky_ = gtk_notebook_new();
    gtk_widget_set_name(stranky_, "rv_stranky");
    gtk_notebook_set_show_border(GTK_NOTEBOOK(stranky_), FALSE);
    gtk_container_add(GTK_CONTAINER(zaklop_), stranky_);
    StrankaInfo(Stranka(texts::PageInfo), captions);
    StrankaRozhrani(Stranka(texts::PageInterface), captions);
    StrankaKanal(Stranka(texts::PageChannel), captions);
    g_signal_connect(stranky_, "switch-page", G_CALLBACK(PageChanged), this);
    g_signal_connect_after(stranky_, "switch-page", G_CALLBACK(PageSwitched), this);

    Style(okno_);
    gtk_widget_show_all(koren);
    timer_ = g_timeout_add(200, Tick, this);
    return true;
}

// ---- Building ------------------------------------------------------------

void TGtkWindow::Style(GtkWidget* w) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(w), GTK_STYLE_PROVIDER(css_),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (GTK_IS_CONTAINER(w))
        gtk_container_forall(GTK_CONTAINER(w), [](GtkWidget* c, gpointer s) {
            static_cast<TGtkWindow*>(s)->Style(c);
        }, this);
}

GtkWidget* TGtkWindow::Caption(GtkWidget* fixed, std::string_view cp, int x, int y) {
    GtkWidget* l = gtk_label_new(Utf8(cp).c_str());
    gtk_label_set_xalign(GTK_LABEL(l), 0.0f);
    gtk_fixed_put(GTK_FIXED(fixed), l, x, y);
    return l;
}

GtkWidget* TGtkWindow::Hodnota(GtkWidget* fixed, const char* jmeno, int x, int y, int sirka) {
    GtkWidget* l = gtk_label_new("");
    gtk_widget_set_name(l, jmeno);
    gtk_label_set_xalign(GTK_LABEL(l), 0.0f);
    gtk_label_set_single_line_mode(GTK_LABEL(l), TRUE);
    // The column keeps its width whatever the text: a long value is cut at
    // the column's edge instead of widening the window.
    gtk_label_set_ellipsize(GTK_LABEL(l), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(l), 1);
    gtk_widget_set_size_request(l, sirka, -1);
    gtk_style_context_add_class(gtk_widget_get_style_context(l), "rv-hodnota");
    gtk_fixed_put(GTK_FIXED(fixed), l, x, y);
    return l;
}

void TGtkWindow::Radky(GtkWidget* fixed, const char* const* captions, int pocet, int y0,
                     int krok, int gapBeforeLast, TValueLabel* hodnoty, const char* predpona) {
    for (int i = 0; i < pocet; ++i) {
        const int y = y0 + i * krok + (i == pocet - 1 ? gapBeforeLast : 0);
        Caption(fixed, captions[i], 10, y);
        const std::string jmeno = std::string(predpona) + std::to_string(i);
        hodnoty[i].w = Hodnota(fixed, jmeno.c_str(), ValueColumn, y, PageWidth - ValueColumn - 6);
    }
}

GtkWidget* TGtkWindow::Stranka(std::string_view titulek) {
    GtkWidget* panel = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(panel), GTK_SHADOW_IN);
    gtk_style_context_add_class(gtk_widget_get_style_context(panel), "rv-panel");
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, PageWidth - 2, PageHeight - 2);
    gtk_container_add(GTK_CONTAINER(panel), fixed);
    gtk_notebook_append_page(GTK_NOTEBOOK(stranky_), panel, gtk_label_new(Utf8(titulek).c_str()));
    return fixed;
}

void TGtkWindow::StrankaInfo(GtkWidget* f, const RvWindowCaptions& captions) {
    GtkWidget* titulek = Caption(f, texts::Heading, 10, 14);
    gtk_style_context_add_class(gtk_widget_get_style_context(titulek), "rv-titulek");
    GtkWidget* verze = gtk_label_new(std::string(texts::Version).c_str());
    gtk_label_set_xalign(GTK_LABEL(verze), 1.0f);
    gtk_widget_set_size_request(verze, 300, -1);
    gtk_fixed_put(GTK_FIXED(f), verze, 10, 42);

    GtkWidget* ramLoga = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(ramLoga), GTK_SHADOW_IN);
    gtk_style_context_add_class(gtk_widget_get_style_context(ramLoga), "rv-panel");
    GtkWidget* logo = gtk_drawing_area_new();
    gtk_widget_set_name(logo, "rv_logo");
    gtk_widget_set_size_request(logo, 93, 52);
    g_signal_connect(logo, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) -> gboolean {
        pictures::DrawLogo(cr, 93, 52);
        return TRUE;
    }), nullptr);
    gtk_container_add(GTK_CONTAINER(ramLoga), logo);
    gtk_fixed_put(GTK_FIXED(f), ramLoga, PageWidth - 93 - 2 - 12, 8);

    GtkWidget* skupina = gtk_frame_new(Utf8(texts::LastError).c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(skupina), "rv-skupina");
    GtkWidget* fs = gtk_fixed_new();
    gtk_widget_set_size_request(fs, PageWidth - 24, 96);
    gtk_container_add(GTK_CONTAINER(skupina), fs);
    gtk_fixed_put(GTK_FIXED(f), skupina, 8, 74);
    for (int i = 0; i < RV_WINDOW_INFO_ROWS; ++i) {
        const int y = 6 + i * 22;
        Caption(fs, captions.info[i], 10, y);
        const std::string jmeno = "rv_info_" + std::to_string(i);
        info_[i].w = Hodnota(fs, jmeno.c_str(), 140, y, PageWidth - 24 - 146);
    }

    Caption(f, texts::InterfaceStatus, 10, 200);
    for (int k = 0; k < 16; ++k) {
        const int x = 12 + k * 27;
        GtkWidget* box = gtk_drawing_area_new();
        const std::string jmeno = "rv_indikator_" + std::to_string(k + 1);
        gtk_widget_set_name(box, jmeno.c_str());
        gtk_widget_set_size_request(box, 25, 17);
        g_signal_connect(box, "draw", G_CALLBACK(DrawIndicator), &indikatory_[k].barva);
        gtk_fixed_put(GTK_FIXED(f), box, x, 220);
        indikatory_[k].w = box;
        GtkWidget* cislo = gtk_label_new(std::to_string(k + 1).c_str());
        gtk_label_set_xalign(GTK_LABEL(cislo), 0.5f);
        gtk_widget_set_size_request(cislo, 25, -1);
        gtk_fixed_put(GTK_FIXED(f), cislo, x, 240);
    }

    for (int i = 0; i < 4; ++i) {
        const int x = 12 + (i % 2) * 200;
        const int y = 284 + (i / 2) * 24;
        GtkWidget* box = gtk_drawing_area_new();
        gtk_widget_set_size_request(box, 17, 13);
        g_signal_connect(box, "draw", G_CALLBACK(DrawIndicator), &legenda_[static_cast<std::size_t>(i)]);
        gtk_fixed_put(GTK_FIXED(f), box, x, y + 1);
        Caption(f, texts::Legend[i], x + 24, y);
    }
}

GtkWidget* TGtkWindow::Editace(GtkWidget* f, const char* jmeno, int x, int y) {
    GtkWidget* e = gtk_entry_new();
    gtk_widget_set_name(e, jmeno);
    gtk_entry_set_width_chars(GTK_ENTRY(e), 7);
    gtk_widget_set_size_request(e, 64, 20);
    g_signal_connect(e, "key-press-event", G_CALLBACK(EditKey), this);
    g_signal_connect(e, "changed", G_CALLBACK(ZmenaEditace), this);
    gtk_fixed_put(GTK_FIXED(f), e, x, y);
    return e;
}

void TGtkWindow::StrankaRozhrani(GtkWidget* f, const RvWindowCaptions& captions) {
    Caption(f, texts::InterfaceCount, 10, 10);
    pocetRozhrani_.w = Hodnota(f, "rv_pocet_rozhrani", ValueColumn, 10, 60);
    logovani_ = gtk_check_button_new_with_label(Utf8(texts::Logging).c_str());
    gtk_widget_set_name(logovani_, "rv_logovani");
    loggingSignal_ = g_signal_connect(logovani_, "toggled", G_CALLBACK(Zaskrtnuti), this);
    gtk_fixed_put(GTK_FIXED(f), logovani_, 300, 7);
    Caption(f, texts::WatchedInterface, 10, 35);
    edit2_ = Editace(f, "rv_edit_rozhrani", ValueColumn, 32);
    GtkWidget* cara = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_size_request(cara, PageWidth - 2, 2);
    gtk_fixed_put(GTK_FIXED(f), cara, 0, 62);
    Radky(f, captions.interfaceRows, RV_WINDOW_INTERFACE_ROWS, 72, 18, 12, rozhrani_.data(), "rv_rozhrani_");
}

void TGtkWindow::StrankaKanal(GtkWidget* f, const RvWindowCaptions& captions) {
    Caption(f, texts::ChannelCount, 10, 10);
    pocetKanalu_.w = Hodnota(f, "rv_pocet_kanalu", ValueColumn, 10, 60);
    Caption(f, texts::WatchedChannel, 10, 35);
    edit1_ = Editace(f, "rv_edit_kanal", ValueColumn, 32);
    GtkWidget* cara = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_size_request(cara, PageWidth - 2, 2);
    gtk_fixed_put(GTK_FIXED(f), cara, 0, 62);
    Radky(f, captions.channelRows, RV_WINDOW_CHANNEL_ROWS, 72, 18, 12, kanal_.data(), "rv_kanal_");
}

// ---- Driver's commands ---------------------------------------------------

void TGtkWindow::SetVisible(bool viditelne) {
    if (viditelne)
        gtk_widget_show(okno_);
    else
        gtk_widget_hide(okno_);
}

void TGtkWindow::Place(int32_t l, int32_t t, int32_t w, int32_t h) {
    // A window that the user cannot resize refuses gtk_window_resize; its
    // size request is its size (never less than what its pages need).
    if (w > 0 && h > 0) gtk_widget_set_size_request(okno_, w, h);
    gtk_window_move(GTK_WINDOW(okno_), l, t);
}

void TGtkWindow::Enable(bool povoleno) {
    // Input is shut out without greying the pages: they go on refreshing.
    povoleno_ = povoleno;
    SetBlocker();
    gtk_editable_set_editable(GTK_EDITABLE(edit1_), povoleno);
    gtk_editable_set_editable(GTK_EDITABLE(edit2_), povoleno);
}

// The blocker's input window keeps its place in the widget tree; only what
// it catches changes. Enabled, its input shape is empty, so that it takes no
// click wherever a map (a show after a hide) or a page switch stacks it.
// Disabled, it catches the whole area and is raised again above the pages'
// own input windows, which a map or a page switch puts on top.
void TGtkWindow::SetBlocker() {
    gtk_event_box_set_above_child(GTK_EVENT_BOX(zaklop_), povoleno_ ? FALSE : TRUE);
    GdkWindow* w = InputWindowOf(zaklop_);
    if (w == nullptr) return;  // not realised yet: set again when mapped
    if (povoleno_) {
        cairo_region_t* nothing = cairo_region_create();
        gdk_window_input_shape_combine_region(w, nothing, 0, 0);
        cairo_region_destroy(nothing);
    } else {
        gdk_window_input_shape_combine_region(w, nullptr, 0, 0);
        gdk_window_raise(w);
    }
}

void TGtkWindow::StopTimer() {
    if (timer_ != 0) g_source_remove(timer_);
    timer_ = 0;
}

void TGtkWindow::DrawAll(const RvWindowFrame& f, uint32_t parts) {
    if ((parts & RV_WINDOW_DRAW_HEADERS) != 0) {
        DrawHeaders(f);
        if (f.page <= RV_WINDOW_PAGE_CHANNEL &&
            gtk_notebook_get_current_page(GTK_NOTEBOOK(stranky_)) != static_cast<int>(f.page))
            gtk_notebook_set_current_page(GTK_NOTEBOOK(stranky_), static_cast<int>(f.page));
    }
    if ((parts & RV_WINDOW_DRAW_CHANNEL_FIELD) != 0) DrawField(edit1_, f.channelField);
    if ((parts & RV_WINDOW_DRAW_INTERFACE_FIELD) != 0) DrawField(edit2_, f.interfaceField);
    if ((parts & RV_WINDOW_DRAW_PAGE) != 0) DrawPage(f, f.page);
}

// ---- Showing the view model's frames -------------------------------------

void TGtkWindow::DrawField(GtkWidget* field, const char* text) {
    // The same text is not set again, so the cursor stays where it is.
    if (text != nullptr) gtk_entry_set_text(GTK_ENTRY(field), Utf8(text).c_str());
}

void TGtkWindow::DrawHeaders(const RvWindowFrame& f) {
    pocetRozhrani_.Nastav(f.interfaceCount);
    pocetKanalu_.Nastav(f.channelCount);
    DrawField(edit1_, f.channelField);
    DrawField(edit2_, f.interfaceField);
    g_signal_handler_block(logovani_, loggingSignal_);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(logovani_), f.logging != 0);
    g_signal_handler_unblock(logovani_, loggingSignal_);
}

void TGtkWindow::DrawPage(const RvWindowFrame& f, uint32_t page) {
    switch (page) {
        case RV_WINDOW_PAGE_INFO:
            for (int i = 0; i < RV_WINDOW_INFO_ROWS; ++i) info_[i].Nastav(f.info[i]);
            for (int k = 0; k < 16; ++k) {
                TIndicator& ind = indikatory_[k];
                if (Same(ind.barva, f.indicators[k])) continue;
                ind.barva = f.indicators[k];
                gtk_widget_queue_draw(ind.w);
            }
            break;
        case RV_WINDOW_PAGE_INTERFACE:
            for (int i = 0; i < RV_WINDOW_INTERFACE_ROWS; ++i) rozhrani_[i].Nastav(f.interfaceRows[i]);
            break;
        case RV_WINDOW_PAGE_CHANNEL:
            for (int i = 0; i < RV_WINDOW_CHANNEL_ROWS; ++i) kanal_[i].Nastav(f.channelRows[i]);
            break;
        default: break;
    }
}

// ---- Callbacks -----------------------------------------------------------

gboolean TGtkWindow::Tick(gpointer p) {
    // The driver refreshes its view model and draws the page in view
    // through the module's table; its call-back lets nothing out.
    const RvWindowCalls& c = static_cast<TGtkWindow*>(p)->calls_;
    c.tick(c.model);
    return G_SOURCE_CONTINUE;
}

gboolean TGtkWindow::CloseRequest(GtkWidget*, GdkEvent*, gpointer p) {
    const RvWindowCalls& c = static_cast<TGtkWindow*>(p)->calls_;
    return c.mayClose(c.model) != 0 ? FALSE : TRUE;
}

gboolean TGtkWindow::WindowKey(GtkWidget*, GdkEventKey*, gpointer p) {
    return static_cast<TGtkWindow*>(p)->povoleno_ ? FALSE : TRUE;
}

// The character a key types, as the field's handler sees it; -1 for keys
// that type nothing (cursor keys, shortcuts such as Ctrl+V), which go on to
// the field untouched.
int ZnakKlavesy(const GdkEventKey* e) {
    if ((e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) != 0) return -1;
    switch (e->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter: return RvKeyEnter;
        case GDK_KEY_BackSpace: return RvKeyBackspace;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
        case GDK_KEY_KP_Tab: return -1;
        case GDK_KEY_Escape: return RvKeyEscape;
        default: break;
    }
    const guint32 u = gdk_keyval_to_unicode(e->keyval);
    if (u == 0 || u == 0x7F) return -1;  // Delete edits, it types nothing
    return u < 0x80 ? static_cast<int>(u) : '?';  // anything beyond ASCII is no digit
}

gboolean TGtkWindow::EditKey(GtkWidget* w, GdkEventKey* e, gpointer p) {
    const int c = ZnakKlavesy(e);
    if (c < 0) return FALSE;
    // On Enter the driver draws the number in force and its page at once.
    const RvWindowCalls& v = static_cast<TGtkWindow*>(p)->calls_;
    const char znak = static_cast<char>(c);
    const bool kanal = w == static_cast<TGtkWindow*>(p)->edit1_;
    const int32_t projde = kanal ? v.channelKey(v.model, znak) : v.interfaceKey(v.model, znak);
    return projde != 0 ? FALSE : TRUE;
}

void TGtkWindow::ZmenaEditace(GtkEditable* w, gpointer p) {
    // A text that cannot be converted (no memory) is judged at the next change.
    Contained([w, p] {
        auto* self = static_cast<TGtkWindow*>(p);
        const std::string t = cp1250::FromUtf8(gtk_entry_get_text(GTK_ENTRY(w)));
        const RvWindowCalls& v = self->calls_;
        if (GTK_WIDGET(w) == self->edit1_)
            v.channelFieldText(v.model, t.c_str());
        else
            v.interfaceFieldText(v.model, t.c_str());
    });
}

void TGtkWindow::PageChanged(GtkNotebook* n, GtkWidget*, guint cislo, gpointer p) {
    const RvWindowCalls& v = static_cast<TGtkWindow*>(p)->calls_;
    if (v.selectPage(v.model, cislo) == 0) g_signal_stop_emission_by_name(n, "switch-page");
}

void TGtkWindow::PageSwitched(GtkNotebook*, GtkWidget*, guint, gpointer p) {
    static_cast<TGtkWindow*>(p)->SetBlocker();
}

void TGtkWindow::Zaskrtnuti(GtkToggleButton* b, gpointer p) {
    auto* self = static_cast<TGtkWindow*>(p);
    const bool ticked = gtk_toggle_button_get_active(b) != FALSE;
    if (self->calls_.clickLogging(self->calls_.model, ticked ? 1 : 0) != 0) return;
    // Refused: the box goes back to the state in force.
    g_signal_handler_block(b, self->loggingSignal_);
    gtk_toggle_button_set_active(b, !ticked);
    g_signal_handler_unblock(b, self->loggingSignal_);
}

gboolean TGtkWindow::Mys(GtkWidget*, GdkEvent*, gpointer p) {
    return static_cast<TGtkWindow*>(p)->povoleno_ ? FALSE : TRUE;
}

void TGtkWindow::BlockerShown(GtkWidget*, gpointer p) { static_cast<TGtkWindow*>(p)->SetBlocker(); }

gboolean TGtkWindow::DrawIndicator(GtkWidget* w, cairo_t* cr, gpointer b) {
    const RvColour& barva = *static_cast<const RvColour*>(b);
    pictures::DrawSunkenBox(cr, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w),
                             barva.r, barva.g, barva.b);
    return TRUE;
}

void TGtkWindow::Realizace(GtkWidget* w, gpointer) {
    // A pointing hand over the pages; entry fields keep their own pointer.
    GdkCursor* ruka = gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
    if (ruka == nullptr) return;
    gdk_window_set_cursor(gtk_widget_get_window(w), ruka);
    g_object_unref(ruka);
}

TGtkWindow* Of(RvWindow* w) { return reinterpret_cast<TGtkWindow*>(w); }

// The module's table. Only GTK and the driver's noexcept call-backs are
// reached from here, except where a catch says otherwise.
RvWindow* Create(const RvWindowCalls* calls, const RvWindowCaptions* captions) noexcept {
    if (calls == nullptr || captions == nullptr) return nullptr;
    try {
        if (!gtk_init_check(nullptr, nullptr)) return nullptr;
        auto okno = std::make_unique<TGtkWindow>(*calls);
        if (!okno->Sestav(*captions)) return nullptr;
        return reinterpret_cast<RvWindow*>(okno.release());
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

extern "C" __attribute__((visibility("default"))) const RvWindowModule* rv_zr6180_window_module() noexcept {
    return &Table;
}
