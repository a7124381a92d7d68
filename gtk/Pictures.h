// The window's own pictures, drawn with cairo: no image files ship with
// the driver.
#pragma once

#include <cstdint>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace pictures {

GdkPixbuf* Icon();  // 16 x 16; the caller releases it
void DrawLogo(cairo_t* cr, int width, int height);
// A box filled with one colour inside a sunken bevel.
void DrawSunkenBox(cairo_t* cr, int width, int height, uint8_t r, uint8_t g, uint8_t b);

}  // namespace pictures
