// Building the window: its widgets, where each sits, its name and its style.
#include <string>
#include <string_view>

#include "diag/WindowTexts.h"
#include "gtk/GtkWindow.h"
#include "gtk/Pictures.h"

namespace gtk_window {
namespace {

namespace texts = window_texts;

constexpr int Width = 456;
constexpr int Height = 405;
constexpr int PageWidth = 449;
constexpr int PageHeight = 377;
constexpr int ValueColumn = 178;  // x of the value column on the lower blocks

// Scoped to this window's widgets only: the provider is added to each of
// them, never to the screen, so the host's own windows keep their looks.
constexpr const char* StyleSheet = R"(
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

}  // namespace

bool TGtkWindow::Build(const RvWindowCaptions& captions) {
    css_ = gtk_css_provider_new();
    if (!gtk_css_provider_load_from_data(css_, StyleSheet, -1, nullptr)) return false;

    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_name(window_, "rv_okno");
    gtk_window_set_title(GTK_WINDOW(window_), std::string(texts::Title).c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_deletable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    if (GdkPixbuf* icon = pictures::Icon(); icon != nullptr) {
        gtk_window_set_icon(GTK_WINDOW(window_), icon);
        g_object_unref(icon);
    }
    g_signal_connect(window_, "delete-event", G_CALLBACK(CloseRequest), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(WindowKey), this);
    g_signal_connect(window_, "realize", G_CALLBACK(Realized), nullptr);

    GtkWidget* root = gtk_fixed_new();
    gtk_widget_set_size_request(root, Width, Height);
    gtk_container_add(GTK_CONTAINER(window_), root);

    blocker_ = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(blocker_), FALSE);
    for (const char* s : {"button-press-event", "button-release-event", "scroll-event"})
        g_signal_connect(blocker_, s, G_CALLBACK(PointerPressed), this);
    g_signal_connect_after(blocker_, "map", G_CALLBACK(BlockerShown), this);
    gtk_fixed_put(GTK_FIXED(root), blocker_, 2, 3);

    pages_ = gtk_notebook_new();
    gtk_widget_set_name(pages_, "rv_stranky");
    gtk_notebook_set_show_border(GTK_NOTEBOOK(pages_), FALSE);
    gtk_container_add(GTK_CONTAINER(blocker_), pages_);
    BuildInfoPage(AddPage(texts::PageInfo), captions);
    BuildInterfacePage(AddPage(texts::PageInterface), captions);
    BuildChannelPage(AddPage(texts::PageChannel), captions);
    g_signal_connect(pages_, "switch-page", G_CALLBACK(PageChanged), this);
    g_signal_connect_after(pages_, "switch-page", G_CALLBACK(PageSwitched), this);

    Style(window_);
    gtk_widget_show_all(root);
    timer_ = g_timeout_add(200, Tick, this);
    return true;
}

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

GtkWidget* TGtkWindow::AddValue(GtkWidget* fixed, const char* name, int x, int y, int width) {
    GtkWidget* l = gtk_label_new("");
    gtk_widget_set_name(l, name);
    gtk_label_set_xalign(GTK_LABEL(l), 0.0f);
    gtk_label_set_single_line_mode(GTK_LABEL(l), TRUE);
    // The column keeps its width whatever the text: a long value is cut at
    // the column's edge instead of widening the window.
    gtk_label_set_ellipsize(GTK_LABEL(l), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(l), 1);
    gtk_widget_set_size_request(l, width, -1);
    gtk_style_context_add_class(gtk_widget_get_style_context(l), "rv-hodnota");
    gtk_fixed_put(GTK_FIXED(fixed), l, x, y);
    return l;
}

GtkWidget* TGtkWindow::AddPage(std::string_view title) {
    GtkWidget* panel = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(panel), GTK_SHADOW_IN);
    gtk_style_context_add_class(gtk_widget_get_style_context(panel), "rv-panel");
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, PageWidth - 2, PageHeight - 2);
    gtk_container_add(GTK_CONTAINER(panel), fixed);
    gtk_notebook_append_page(GTK_NOTEBOOK(pages_), panel, gtk_label_new(Utf8(title).c_str()));
    return fixed;
}

void TGtkWindow::BuildInfoPage(GtkWidget* f, const RvWindowCaptions& captions) {
    GtkWidget* title = Caption(f, texts::Heading, 10, 14);
    gtk_style_context_add_class(gtk_widget_get_style_context(title), "rv-titulek");
    GtkWidget* version = gtk_label_new(std::string(texts::Version).c_str());
    gtk_label_set_xalign(GTK_LABEL(version), 1.0f);
    gtk_widget_set_size_request(version, 300, -1);
    gtk_fixed_put(GTK_FIXED(f), version, 10, 42);

    GtkWidget* logoFrame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(logoFrame), GTK_SHADOW_IN);
    gtk_style_context_add_class(gtk_widget_get_style_context(logoFrame), "rv-panel");
    GtkWidget* logo = gtk_drawing_area_new();
    gtk_widget_set_name(logo, "rv_logo");
    gtk_widget_set_size_request(logo, 93, 52);
    g_signal_connect(logo, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) -> gboolean {
        pictures::DrawLogo(cr, 93, 52);
        return TRUE;
    }), nullptr);
    gtk_container_add(GTK_CONTAINER(logoFrame), logo);
    gtk_fixed_put(GTK_FIXED(f), logoFrame, PageWidth - 93 - 2 - 12, 8);

    GtkWidget* group = gtk_frame_new(Utf8(texts::LastError).c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(group), "rv-skupina");
    GtkWidget* fs = gtk_fixed_new();
    gtk_widget_set_size_request(fs, PageWidth - 24, 96);
    gtk_container_add(GTK_CONTAINER(group), fs);
    gtk_fixed_put(GTK_FIXED(f), group, 8, 74);
    for (int i = 0; i < RV_WINDOW_INFO_ROWS; ++i) {
        const int y = 6 + i * 22;
        Caption(fs, captions.info[i], 10, y);
        const std::string name = "rv_info_" + std::to_string(i);
        info_[i].w = AddValue(fs, name.c_str(), 140, y, PageWidth - 24 - 146);
    }

    Caption(f, texts::InterfaceStatus, 10, 200);
    for (int k = 0; k < 16; ++k) {
        const int x = 12 + k * 27;
        GtkWidget* box = gtk_drawing_area_new();
        const std::string name = "rv_indikator_" + std::to_string(k + 1);
        gtk_widget_set_name(box, name.c_str());
        gtk_widget_set_size_request(box, 25, 17);
        g_signal_connect(box, "draw", G_CALLBACK(DrawIndicator), &indicators_[k].colour);
        gtk_fixed_put(GTK_FIXED(f), box, x, 220);
        indicators_[k].w = box;
        GtkWidget* number = gtk_label_new(std::to_string(k + 1).c_str());
        gtk_label_set_xalign(GTK_LABEL(number), 0.5f);
        gtk_widget_set_size_request(number, 25, -1);
        gtk_fixed_put(GTK_FIXED(f), number, x, 240);
    }

    for (int i = 0; i < 4; ++i) {
        const int x = 12 + (i % 2) * 200;
        const int y = 284 + (i / 2) * 24;
        GtkWidget* box = gtk_drawing_area_new();
        gtk_widget_set_size_request(box, 17, 13);
        g_signal_connect(box, "draw", G_CALLBACK(DrawIndicator), &legend_[static_cast<std::size_t>(i)]);
        gtk_fixed_put(GTK_FIXED(f), box, x, y + 1);
        Caption(f, texts::Legend[i], x + 24, y);
    }
}

GtkWidget* TGtkWindow::AddEntry(GtkWidget* f, const char* name, int x, int y) {
    GtkWidget* e = gtk_entry_new();
    gtk_widget_set_name(e, name);
    gtk_entry_set_width_chars(GTK_ENTRY(e), 7);
    gtk_widget_set_size_request(e, 64, 20);
    g_signal_connect(e, "key-press-event", G_CALLBACK(EditKey), this);
    g_signal_connect(e, "changed", G_CALLBACK(EntryChanged), this);
    gtk_fixed_put(GTK_FIXED(f), e, x, y);
    return e;
}

// The watched record's rows below a stroke, on the interface and channel
// pages alike; the last row (the status) stands a little apart.
void TGtkWindow::AddRecordRows(GtkWidget* f, const char* const* captions, int count, TValueLabel* values,
                               const char* prefix) {
    GtkWidget* stroke = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_size_request(stroke, PageWidth - 2, 2);
    gtk_fixed_put(GTK_FIXED(f), stroke, 0, 62);
    for (int i = 0; i < count; ++i) {
        const int y = 72 + i * 18 + (i == count - 1 ? 12 : 0);
        Caption(f, captions[i], 10, y);
        const std::string name = std::string(prefix) + std::to_string(i);
        values[i].w = AddValue(f, name.c_str(), ValueColumn, y, PageWidth - ValueColumn - 6);
    }
}

void TGtkWindow::BuildInterfacePage(GtkWidget* f, const RvWindowCaptions& captions) {
    Caption(f, texts::InterfaceCount, 10, 10);
    interfaceCount_.w = AddValue(f, "rv_pocet_rozhrani", ValueColumn, 10, 60);
    logging_ = gtk_check_button_new_with_label(Utf8(texts::Logging).c_str());
    gtk_widget_set_name(logging_, "rv_logovani");
    loggingSignal_ = g_signal_connect(logging_, "toggled", G_CALLBACK(LoggingToggled), this);
    gtk_fixed_put(GTK_FIXED(f), logging_, 300, 7);
    Caption(f, texts::WatchedInterface, 10, 35);
    edit2_ = AddEntry(f, "rv_edit_rozhrani", ValueColumn, 32);
    AddRecordRows(f, captions.interfaceRows, RV_WINDOW_INTERFACE_ROWS, interface_.data(), "rv_rozhrani_");
}

void TGtkWindow::BuildChannelPage(GtkWidget* f, const RvWindowCaptions& captions) {
    Caption(f, texts::ChannelCount, 10, 10);
    channelCount_.w = AddValue(f, "rv_pocet_kanalu", ValueColumn, 10, 60);
    Caption(f, texts::WatchedChannel, 10, 35);
    edit1_ = AddEntry(f, "rv_edit_kanal", ValueColumn, 32);
    AddRecordRows(f, captions.channelRows, RV_WINDOW_CHANNEL_ROWS, channel_.data(), "rv_kanal_");
}

}  // namespace gtk_window
