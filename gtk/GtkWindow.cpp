// The window's life and the driver's commands.
#include "gtk/GtkWindow.h"

namespace gtk_window {
namespace {

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

}  // namespace

TGtkWindow::~TGtkWindow() {
    StopTimer();
    if (window_ != nullptr) {
        // While the window is destroyed the pages leave the notebook one by
        // one and their accessibles are told; an assistive tool's bridge
        // then asks each for its tab label, which the notebook no longer
        // has, and GTK warns on the host's stderr. Without tabs the
        // accessibles look for no label.
        gtk_notebook_set_show_tabs(GTK_NOTEBOOK(pages_), FALSE);
        gtk_widget_destroy(window_);
    }
    if (css_ != nullptr) g_object_unref(css_);
}

void TGtkWindow::SetVisible(bool visible) {
    if (visible)
        gtk_widget_show(window_);
    else
        gtk_widget_hide(window_);
}

void TGtkWindow::Place(int32_t l, int32_t t, int32_t w, int32_t h) {
    // A window that the user cannot resize refuses gtk_window_resize; its
    // size request is its size (never less than what its pages need).
    if (w > 0 && h > 0) gtk_widget_set_size_request(window_, w, h);
    gtk_window_move(GTK_WINDOW(window_), l, t);
}

void TGtkWindow::Enable(bool enabled) {
    // Input is shut out without greying the pages: they go on refreshing.
    enabled_ = enabled;
    SetBlocker();
    gtk_editable_set_editable(GTK_EDITABLE(edit1_), enabled);
    gtk_editable_set_editable(GTK_EDITABLE(edit2_), enabled);
}

// The blocker's input window keeps its place in the widget tree; only what
// it catches changes. Enabled, its input shape is empty, so that it takes no
// click wherever a map (a show after a hide) or a page switch stacks it.
// Disabled, it catches the whole area and is raised again above the pages'
// own input windows, which a map or a page switch puts on top.
void TGtkWindow::SetBlocker() {
    gtk_event_box_set_above_child(GTK_EVENT_BOX(blocker_), enabled_ ? FALSE : TRUE);
    GdkWindow* w = InputWindowOf(blocker_);
    if (w == nullptr) return;  // not realised yet: set again when mapped
    if (enabled_) {
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

}  // namespace gtk_window
