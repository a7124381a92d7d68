// GTK's signals and the window's timer, passed on to the driver's call-backs.
#include <string>

#include "base/Contained.h"
#include "gtk/GtkWindow.h"

namespace gtk_window {

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
    return static_cast<TGtkWindow*>(p)->enabled_ ? FALSE : TRUE;
}

namespace {

// The character a key types, as the field's handler sees it; -1 for keys
// that type nothing (cursor keys, shortcuts such as Ctrl+V), which go on to
// the field untouched.
int TypedCharacter(const GdkEventKey* e) {
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

}  // namespace

gboolean TGtkWindow::EditKey(GtkWidget* w, GdkEventKey* e, gpointer p) {
    const int c = TypedCharacter(e);
    if (c < 0) return FALSE;
    // On Enter the driver draws the number in force and its page at once.
    const RvWindowCalls& v = static_cast<TGtkWindow*>(p)->calls_;
    const char character = static_cast<char>(c);
    const bool isChannel = w == static_cast<TGtkWindow*>(p)->edit1_;
    const int32_t accepted = isChannel ? v.channelKey(v.model, character) : v.interfaceKey(v.model, character);
    return accepted != 0 ? FALSE : TRUE;
}

void TGtkWindow::EntryChanged(GtkEditable* w, gpointer p) {
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

void TGtkWindow::PageChanged(GtkNotebook* n, GtkWidget*, guint number, gpointer p) {
    const RvWindowCalls& v = static_cast<TGtkWindow*>(p)->calls_;
    if (v.selectPage(v.model, number) == 0) g_signal_stop_emission_by_name(n, "switch-page");
}

void TGtkWindow::PageSwitched(GtkNotebook*, GtkWidget*, guint, gpointer p) {
    static_cast<TGtkWindow*>(p)->SetBlocker();
}

void TGtkWindow::LoggingToggled(GtkToggleButton* b, gpointer p) {
    auto* self = static_cast<TGtkWindow*>(p);
    const bool ticked = gtk_toggle_button_get_active(b) != FALSE;
    if (self->calls_.clickLogging(self->calls_.model, ticked ? 1 : 0) != 0) return;
    // Refused: the box goes back to the state in force.
    g_signal_handler_block(b, self->loggingSignal_);
    gtk_toggle_button_set_active(b, !ticked);
    g_signal_handler_unblock(b, self->loggingSignal_);
}

gboolean TGtkWindow::PointerPressed(GtkWidget*, GdkEvent*, gpointer p) {
    return static_cast<TGtkWindow*>(p)->enabled_ ? FALSE : TRUE;
}

void TGtkWindow::BlockerShown(GtkWidget*, gpointer p) { static_cast<TGtkWindow*>(p)->SetBlocker(); }

void TGtkWindow::Realized(GtkWidget* w, gpointer) {
    // A pointing hand over the pages; entry fields keep their own pointer.
    GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
    if (hand == nullptr) return;
    gdk_window_set_cursor(gtk_widget_get_window(w), hand);
    g_object_unref(hand);
}

}  // namespace gtk_window
