// Showing the view model's frames: only what changed is set again.
#include "gtk/GtkWindow.h"
#include "gtk/Pictures.h"

namespace gtk_window {
namespace {

bool Same(const RvColour& a, const RvColour& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

}  // namespace

void TGtkWindow::DrawAll(const RvWindowFrame& f, uint32_t parts) {
    if ((parts & RV_WINDOW_DRAW_HEADERS) != 0) {
        DrawHeaders(f);
        if (f.page <= RV_WINDOW_PAGE_CHANNEL &&
            gtk_notebook_get_current_page(GTK_NOTEBOOK(pages_)) != static_cast<int>(f.page))
            gtk_notebook_set_current_page(GTK_NOTEBOOK(pages_), static_cast<int>(f.page));
    }
    if ((parts & RV_WINDOW_DRAW_CHANNEL_FIELD) != 0) DrawField(edit1_, f.channelField);
    if ((parts & RV_WINDOW_DRAW_INTERFACE_FIELD) != 0) DrawField(edit2_, f.interfaceField);
    if ((parts & RV_WINDOW_DRAW_PAGE) != 0) DrawPage(f, f.page);
}

void TGtkWindow::DrawField(GtkWidget* field, const char* text) {
    // The same text is not set again, so the cursor stays where it is.
    if (text != nullptr) gtk_entry_set_text(GTK_ENTRY(field), Utf8(text).c_str());
}

void TGtkWindow::DrawHeaders(const RvWindowFrame& f) {
    interfaceCount_.Assign(f.interfaceCount);
    channelCount_.Assign(f.channelCount);
    DrawField(edit1_, f.channelField);
    DrawField(edit2_, f.interfaceField);
    g_signal_handler_block(logging_, loggingSignal_);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(logging_), f.logging != 0);
    g_signal_handler_unblock(logging_, loggingSignal_);
}

void TGtkWindow::DrawPage(const RvWindowFrame& f, uint32_t page) {
    switch (page) {
        case RV_WINDOW_PAGE_INFO:
            for (int i = 0; i < RV_WINDOW_INFO_ROWS; ++i) info_[i].Assign(f.info[i]);
            for (int k = 0; k < 16; ++k) {
                TIndicator& indicator = indicators_[k];
                if (Same(indicator.colour, f.indicators[k])) continue;
                indicator.colour = f.indicators[k];
                gtk_widget_queue_draw(indicator.w);
            }
            break;
        case RV_WINDOW_PAGE_INTERFACE:
            for (int i = 0; i < RV_WINDOW_INTERFACE_ROWS; ++i) interface_[i].Assign(f.interfaceRows[i]);
            break;
        case RV_WINDOW_PAGE_CHANNEL:
            for (int i = 0; i < RV_WINDOW_CHANNEL_ROWS; ++i) channel_[i].Assign(f.channelRows[i]);
            break;
        default: break;
    }
}

gboolean TGtkWindow::DrawIndicator(GtkWidget* w, cairo_t* cr, gpointer b) {
    const RvColour& colour = *static_cast<const RvColour*>(b);
    pictures::DrawSunkenBox(cr, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w),
                             colour.r, colour.g, colour.b);
    return TRUE;
}

}  // namespace gtk_window
