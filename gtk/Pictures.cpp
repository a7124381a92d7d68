#include "gtk/Pictures.h"

#include <gdk/gdk.h>

namespace pictures {

namespace {

void Colour(cairo_t* cr, int r, int g, int b) { cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0); }

void TRectangle(cairo_t* cr, double x, double y, double w, double h) {
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

// A gateway box with a row of signal lamps, the motif of both pictures.
void GatewayBox(cairo_t* cr, double x, double y, double w, double h, double lamp) {
    Colour(cr, 208, 208, 208);
    TRectangle(cr, x, y, w, h);
    Colour(cr, 64, 64, 64);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
    cairo_stroke(cr);
    const int lamps[3][3] = {{0, 200, 0}, {240, 200, 0}, {220, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        Colour(cr, lamps[i][0], lamps[i][1], lamps[i][2]);
        TRectangle(cr, x + 2 + i * (lamp + 1), y + 2, lamp, lamp);
    }
}

}  // namespace

GdkPixbuf* Icon() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    cairo_t* cr = cairo_create(s);
    Colour(cr, 0, 0, 160);
    TRectangle(cr, 0, 0, 16, 16);
    Colour(cr, 255, 255, 255);
    TRectangle(cr, 1, 12, 14, 2);  // the network line
    GatewayBox(cr, 2, 3, 12, 8, 2);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    GdkPixbuf* p = gdk_pixbuf_get_from_surface(s, 0, 0, 16, 16);
    cairo_surface_destroy(s);
    return p;
}

void DrawLogo(cairo_t* cr, int width, int height) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(gradient, 0.0, 0.10, 0.20, 0.55);
    cairo_pattern_add_color_stop_rgb(gradient, 1.0, 0.00, 0.05, 0.25);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);

    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 26);
    Colour(cr, 255, 255, 255);
    cairo_move_to(cr, 6, 30);
    cairo_show_text(cr, "RV");

    // Three modules on one bus, as the driver sees them.
    Colour(cr, 255, 255, 255);
    TRectangle(cr, 52, 40, width - 58, 1);
    for (int i = 0; i < 3; ++i) {
        TRectangle(cr, 58 + i * 11, 35, 1, 5);
        GatewayBox(cr, 53 + i * 11, 12, 10, 23, 2);
    }

    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 9);
    Colour(cr, 255, 220, 0);
    cairo_move_to(cr, 6, height - 7);
    cairo_show_text(cr, "ZR-6180");
}

void DrawSunkenBox(cairo_t* cr, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    const double w = width, h = height;
    Colour(cr, r, g, b);
    TRectangle(cr, 0, 0, w, h);
    cairo_set_line_width(cr, 1.0);
    // Outer bevel: shadow at the top and left, light at the bottom and right.
    Colour(cr, 128, 128, 128);
    cairo_move_to(cr, 0.5, h - 1);
    cairo_line_to(cr, 0.5, 0.5);
    cairo_line_to(cr, w - 1, 0.5);
    cairo_stroke(cr);
    Colour(cr, 255, 255, 255);
    cairo_move_to(cr, 0.5, h - 0.5);
    cairo_line_to(cr, w - 0.5, h - 0.5);
    cairo_line_to(cr, w - 0.5, 0.5);
    cairo_stroke(cr);
    Colour(cr, 0, 0, 0);
    cairo_move_to(cr, 1.5, h - 2);
    cairo_line_to(cr, 1.5, 1.5);
    cairo_line_to(cr, w - 2, 1.5);
    cairo_stroke(cr);
}

}  // namespace pictures
