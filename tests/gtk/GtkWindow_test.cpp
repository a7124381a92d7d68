// The diagnostic window on screen: a private Xvfb display, the window module
// created as Init creates it, its labels compared with the view model, and a
// screenshot of every page under the build directory.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "base/Cp1250.h"
#include "config/Model.h"
#include "diag/DrvDialog.h"
#include "tests/gtk/Xvfb.h"
#include "tests/support/Wait.h"

namespace {

using namespace std::chrono_literals;

GtkWidget* Najdi(GtkWidget* w, const char* name) {
    if (g_strcmp0(gtk_widget_get_name(w), name) == 0) return w;
    if (!GTK_IS_CONTAINER(w)) return nullptr;
    struct TSearch {
        const char* name;
        GtkWidget* found;
    } h{name, nullptr};
    gtk_container_forall(GTK_CONTAINER(w), [](GtkWidget* c, gpointer p) {
        auto* h = static_cast<TSearch*>(p);
        if (h->found == nullptr) h->found = Najdi(c, h->name);
    }, &h);
    return h.found;
}

GtkWidget* FindWindow() {
    GList* okna = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* i = okna; i != nullptr; i = i->next)
        if (g_strcmp0(gtk_window_get_title(GTK_WINDOW(i->data)), " Rv_zr6180") == 0) found = GTK_WIDGET(i->data);
    g_list_free(okna);
    return found;
}

// Lets the default main context dispatch, as a host's message loop would.
void Unsigned(std::chrono::milliseconds duration) {
    RepeatFor(duration, 2ms, [] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    });
}

void Klavesa(GtkWidget* w, guint keyval) {
    GdkDisplay* dpy = gtk_widget_get_display(w);
    GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
    e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w)));
    e->key.send_event = TRUE;
    e->key.time = GDK_CURRENT_TIME;
    e->key.keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(dpy), keyval, &keys, &n) && n > 0)
        e->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    gdk_event_set_device(e, gdk_seat_get_keyboard(gdk_display_get_default_seat(dpy)));
    gtk_widget_event(w, e);
    gdk_event_free(e);
}

void TypeInto(GtkWidget* w, const char* t) {
    gtk_widget_grab_focus(w);
    for (const char* c = t; *c != '\0'; ++c) {
        guint k = static_cast<guint>(*c);
        if (*c == '\b') k = GDK_KEY_BackSpace;
        if (*c == '\r') k = GDK_KEY_Return;
        Klavesa(w, k);
    }
}

std::string Text(GtkWidget* okno, const std::string& name) {
    GtkWidget* w = Najdi(okno, name.c_str());
    if (w == nullptr) return "<" + name + " missing>";
    if (GTK_IS_ENTRY(w)) return gtk_entry_get_text(GTK_ENTRY(w));
    return gtk_label_get_text(GTK_LABEL(w));
}

std::string Utf8(const std::string& cp) { return cp1250::ToUtf8(cp); }

struct TPixel {
    int r, g, b;
};

TPixel Pixel(GdkPixbuf* p, int x, int y) {
    const guchar* b = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) + x * gdk_pixbuf_get_n_channels(p);
    return {b[0], b[1], b[2]};
}

class GtkLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xvfb_ = new TXvfb;
        if (!xvfb_->StartForGtk(error_)) return;
        setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus on a private display
        setenv("RV_ZR6180_WINDOW", "gtk", 1);
        // The view model is linked into this program, not beside the module.
        setenv("RV_ZR6180_WINDOW_MODULE", RV_ZR6180_GTK_MODULE, 1);
    }
    static void TearDownTestSuite() {
        delete xvfb_;
        xvfb_ = nullptr;
    }

    void SetUp() override {
        if (!error_.empty()) GTEST_SKIP() << "no X server for the GTK window: " << error_;
        d = std::make_unique<TData>();
        ClearTables(*d);
        d->Cfg.OknoPovoleno = 1;
        d->Cfg.PocetRozhrani = 3;
        d->Cfg.PocetKanalu = 2;
        for (int i : {1, 2, 5}) {
            TRozhrani& r = d->Rozhrani[i];
            r.Pouzito = 1;
            r.Status = 0;
            r.Kod = "ZR" + std::to_string(i);
            r.Nazev = std::string("Brána kotelny č. "_cp) + std::to_string(i);
            r.Popis = std::string("Severní hala, rozvaděč RH2 u vstupních vrat skladu"_cp);
            r.Typ = "ZR-6180";
            r.IPAdresa = "192.168.10." + std::to_string(20 + i);
            r.UdpPort = 4001;
            r.UdpTimeout = 100;
            r.Baud = 19200;
            r.Timeout = 40;
            r.Opakovani = 2;
            r.PocetModulu = 3;
            r.PocetKanalu = 12;
        }
        d->Rozhrani[2].Status = 4;
        d->Rozhrani[5].StatusKanalu[300] = 4;
        d->Rozhrani[5].Demo = 1;
        d->Fronty[1].PocetPotvrzenych = 25;
        TKanal& k = d->Kanaly[300];
        k.Pouzit = 1;
        k.Rozhrani = 5;
        k.Adresa = 12;
        k.Kod = "TI-300";
        k.Nazev = std::string("Teplota vratné vody topného okruhu"_cp);
        k.Popis = std::string("Čidlo Pt100 za směšovačem"_cp);
        k.Status = 4;
        k.StatusRegistr = 0x1C;
        k.DobaRS = 12;
        k.DobaLAN = 40;
        k.DobaCelkem = 57;
        k.PocetVolani = 1234;
        d->PosledniChybnyKanal = 300;
    }

    // As Init does: create, show, set up, enable.
    GtkWidget* Open() {
        dlg = TDrvDialog::Create(*d);
        if (!dlg) return nullptr;
        dlg->SetVisible(d->Cfg.OknoPovoleno != 0);
        dlg->NastavOkno();
        dlg->PovolOkno(0, 0);
        Unsigned(450ms);
        return FindWindow();
    }

    GdkPixbuf* Snapshot(GtkWidget* okno, const char* soubor) {
        Unsigned(100ms);
        GdkWindow* w = gtk_widget_get_window(okno);
        GdkPixbuf* p = gdk_pixbuf_get_from_window(w, 0, 0, gdk_window_get_width(w), gdk_window_get_height(w));
        if (p == nullptr) return nullptr;
        g_mkdir_with_parents(RV_OKNO_SNIMKY, 0755);
        const std::string filePath = std::string(RV_OKNO_SNIMKY) + "/" + soubor;
        EXPECT_TRUE(gdk_pixbuf_save(p, filePath.c_str(), "png", nullptr, nullptr)) << filePath;
        return p;
    }

    // Colour of a widget's middle pixel in a screenshot of the window.
    TPixel Centre(GdkPixbuf* p, GtkWidget* okno, const char* name) {
        GtkWidget* w = Najdi(okno, name);
        if (w == nullptr) return {-1, -1, -1};
        int x = 0, y = 0;
        gtk_widget_translate_coordinates(w, okno, gtk_widget_get_allocated_width(w) / 2,
                                         gtk_widget_get_allocated_height(w) / 2, &x, &y);
        return Pixel(p, x, y);
    }

    void ComparePage(GtkWidget* okno, const char* prefix, const std::string* texts, int count) {
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(Text(okno, prefix + std::to_string(i)), Utf8(texts[i])) << prefix << i;
    }

    std::unique_ptr<TData> d;
    std::unique_ptr<TDrvDialog> dlg;
    static TXvfb* xvfb_;
    static std::string error_;
};

TXvfb* GtkLayer::xvfb_ = nullptr;
std::string GtkLayer::error_;

TEST_F(GtkLayer, PagesShowTheViewModel) {
    GtkWidget* okno = Open();
    ASSERT_NE(okno, nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(okno));
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(okno)));
    EXPECT_NE(gtk_window_get_icon(GTK_WINDOW(okno)), nullptr);
    GtkWidget* root = gtk_bin_get_child(GTK_BIN(okno));
    EXPECT_EQ(gtk_widget_get_allocated_width(root), 456);
    EXPECT_EQ(gtk_widget_get_allocated_height(root), 405);

    // Info page, refreshed by the timer alone.
    TShown z = dlg->Snapshot();
    EXPECT_EQ(z.Info[RInfo::Kanal], "300");
    ComparePage(okno, "rv_info_", z.Info.data(), RInfo::Count);
    EXPECT_EQ(Text(okno, "rv_info_3"), "Timeout - nepřišla žádná odpověď");
    EXPECT_EQ(Text(okno, "rv_pocet_rozhrani"), "3");
    EXPECT_EQ(Text(okno, "rv_pocet_kanalu"), "2");
    EXPECT_EQ(Text(okno, "rv_edit_kanal"), "100");
    EXPECT_EQ(Text(okno, "rv_edit_rozhrani"), "1");
    EXPECT_EQ(Text(okno, "rv_kanal_0"), "");  // pages out of view are not touched
    GdkPixbuf* p = Snapshot(okno, "info.png");
    ASSERT_NE(p, nullptr);
    const auto colour = [&](int k) {
        const TPixel x = Centre(p, okno, ("rv_indikator_" + std::to_string(k)).c_str());
        return TColour{static_cast<uint8_t>(x.r), static_cast<uint8_t>(x.g), static_cast<uint8_t>(x.b)};
    };
    EXPECT_EQ(colour(1), ColourGreen);
    EXPECT_EQ(colour(2), ColourRed);
    EXPECT_EQ(colour(5), ColourYellow);
    EXPECT_EQ(colour(16), ColourGrey);
    const TPixel background = Pixel(p, 452, 402);
    EXPECT_EQ(background.r, 192);
    EXPECT_EQ(background.g, 192);
    EXPECT_EQ(background.b, 192);
    g_object_unref(p);

    // Interface page: a tab change, then the next tick fills it.
    GtkWidget* pages = Najdi(okno, "rv_stranky");
    ASSERT_NE(pages, nullptr);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(pages), 1);
    EXPECT_EQ(dlg->Snapshot().Page, TPage::Interface);
    Unsigned(300ms);
    z = dlg->Snapshot();
    ComparePage(okno, "rv_rozhrani_", z.Rozhrani.data(), RRozhrani::Count);
    EXPECT_EQ(Text(okno, "rv_rozhrani_12"), "2.5");
    GtkWidget* edit2 = Najdi(okno, "rv_edit_rozhrani");
    TypeInto(edit2, "\b5\r");
    EXPECT_EQ(dlg->ZobrazeneRozhrani, 5u);
    EXPECT_EQ(Text(okno, "rv_rozhrani_0"), "5      DEMO REŽIM");  // at once, not at the next tick
    EXPECT_EQ(Text(okno, "rv_rozhrani_3"), "Severní hala, rozvaděč RH2 u vstupních vra");
    p = Snapshot(okno, "rozhrani.png");
    ASSERT_NE(p, nullptr);
    g_object_unref(p);

    // Channel page: typed digits pass, letters are swallowed, Enter shows the channel.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(pages), 2);
    Unsigned(300ms);
    z = dlg->Snapshot();
    ComparePage(okno, "rv_kanal_", z.Kanal.data(), RKanal::Count);
    GtkWidget* edit1 = Najdi(okno, "rv_edit_kanal");
    TypeInto(edit1, "\b\b\bx3a0 0");
    EXPECT_EQ(Text(okno, "rv_edit_kanal"), "300");
    EXPECT_EQ(dlg->ZobrazenyKanal, 100u);
    TypeInto(edit1, "\r");
    EXPECT_EQ(dlg->ZobrazenyKanal, 300u);
    EXPECT_EQ(Text(okno, "rv_kanal_0"), "300");
    EXPECT_EQ(Text(okno, "rv_kanal_2"), "Teplota vratné vody topného okruhu");
    EXPECT_EQ(Text(okno, "rv_kanal_10"), "0x14");
    EXPECT_EQ(Text(okno, "rv_kanal_13"), "12/40/57");
    gtk_entry_set_text(GTK_ENTRY(edit1), "7000");  // as pasted
    TypeInto(edit1, "\r");
    EXPECT_EQ(Text(okno, "rv_edit_kanal"), "6099");
    EXPECT_EQ(Text(okno, "rv_kanal_0"), "6099");
    gtk_entry_set_text(GTK_ENTRY(edit1), "300");
    TypeInto(edit1, "\r");
    p = Snapshot(okno, "kanal.png");
    ASSERT_NE(p, nullptr);
    g_object_unref(p);
}

TEST_F(GtkLayer, DisabledWindowRefreshesButTakesNoInput) {
    GtkWidget* okno = Open();
    ASSERT_NE(okno, nullptr);
    GtkWidget* pages = Najdi(okno, "rv_stranky");
    GtkWidget* edit1 = Najdi(okno, "rv_edit_kanal");
    GtkWidget* logging = Najdi(okno, "rv_logovani");
    ASSERT_TRUE(pages && edit1 && logging);

    gtk_notebook_set_current_page(GTK_NOTEBOOK(pages), 2);
    Unsigned(300ms);
    ASSERT_TRUE(gtk_widget_get_realized(edit1));
    TypeInto(edit1, "\b\b\b300\r");
    EXPECT_EQ(Text(okno, "rv_kanal_15"), "Timeout - nepřišla žádná odpověď");
    dlg->PovolOkno(5, 0);
    TypeInto(edit1, "\b7\r");
    EXPECT_EQ(Text(okno, "rv_edit_kanal"), "300");
    EXPECT_EQ(dlg->ZobrazenyKanal, 300u);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(pages), 0);
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(pages)), 2);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(pages), 1);
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(pages)), 2);
    EXPECT_EQ(dlg->Snapshot().Page, TPage::Channel);
    gtk_button_clicked(GTK_BUTTON(logging));
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(logging)));
    EXPECT_EQ(d->Cfg.LogZapnout, 0);
    {
        std::lock_guard g(d->WindowLock);
        d->Kanaly[300].Status = 0;
    }
    Unsigned(300ms);
    EXPECT_EQ(Text(okno, "rv_kanal_15"), "V pořádku");  // the page in view goes on refreshing

    dlg->PovolOkno(5, 5);
    gtk_button_clicked(GTK_BUTTON(logging));
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(logging)));
    EXPECT_EQ(d->Cfg.LogZapnout, 1);
    TypeInto(edit1, "\b\b\b250\r");
    EXPECT_EQ(dlg->ZobrazenyKanal, 250u);
    EXPECT_EQ(Text(okno, "rv_kanal_15"), "Kanál nedefinován.");
    gtk_notebook_set_current_page(GTK_NOTEBOOK(pages), 0);
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(pages)), 0);
}

TEST_F(GtkLayer, WindowCannotBeClosedAndFollowsTheHost) {
    d->Cfg.LogRozhraniPovolen = 1;
    GtkWidget* okno = Open();
    ASSERT_NE(okno, nullptr);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(Najdi(okno, "rv_logovani"))));
    EXPECT_EQ(d->Cfg.LogZapnout, 1);  // ticking at set-up counts as a click

    gtk_window_close(GTK_WINDOW(okno));
    Unsigned(100ms);
    EXPECT_EQ(FindWindow(), okno);
    EXPECT_TRUE(gtk_widget_get_visible(okno));

    dlg->SetVisible(false);
    EXPECT_FALSE(gtk_widget_get_visible(okno));
    {
        std::lock_guard g(d->WindowLock);
        d->Kanaly[300].Status = 0;
    }
    Unsigned(300ms);
    EXPECT_EQ(Text(okno, "rv_info_3"), "Timeout - nepřišla žádná odpověď");  // hidden: old texts
    dlg->SetVisible(true);
    dlg->Minimise();
    dlg->Restore();
    dlg->Focus();
    dlg->Place(10, 20, 456, 405);
    Unsigned(300ms);
    EXPECT_EQ(Text(okno, "rv_info_3"), "Komunikace v pořádku.");

    dlg->StopTimer();
    {
        std::lock_guard g(d->WindowLock);
        d->Kanaly[300].Status = 4;
    }
    Unsigned(300ms);
    EXPECT_EQ(Text(okno, "rv_info_3"), "Komunikace v pořádku.");
    dlg.reset();
    Unsigned(50ms);
    EXPECT_EQ(FindWindow(), nullptr);
}

}  // namespace
