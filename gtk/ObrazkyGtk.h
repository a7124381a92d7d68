// The window's own pictures, drawn with cairo: no image files ship with
// the driver.
#pragma once

#include <cstdint>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace obrazky {

GdkPixbuf* Ikona();  // 16 x 16; the caller releases it
void KresliLogo(cairo_t* cr, int sirka, int vyska);
// A box filled with one colour inside a sunken bevel.
void KresliZapusteny(cairo_t* cr, int sirka, int vyska, uint8_t r, uint8_t g, uint8_t b);

}  // namespace obrazky
