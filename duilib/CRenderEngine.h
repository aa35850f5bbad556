// Drawing primitives of the controls, over Cairo and Pango. Images are PNG files,
// loaded once per path and kept for the life of the process (user-interface
// thread only).
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

// Text layout flags.
constexpr UINT DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_TOP = 0x0, DT_VCENTER = 0x4,
               DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_END_ELLIPSIS = 0x8000;

class CRenderEngine {
 public:
  // The decoded image of a file, or null (logged once per path) when it cannot be read.
  static cairo_surface_t* LoadImage(const std::string& path);
  static bool ImageFileExists(const std::string& path);
  static void ClearImageCache();

  static void DrawColor(cairo_t* cr, const RECT& rc, uint32_t argb);
  static void DrawBorder(cairo_t* cr, const RECT& rc, int size, uint32_t argb);
  // Draws an image string inside the control rectangle; files are looked up under
  // folder. False when the string is broken or the file is missing.
  static bool DrawImageString(cairo_t* cr, const RECT& item, const std::string& image,
                              const std::string& folder);
  static void DrawText(cairo_t* cr, const RECT& rc, const std::string& text, uint32_t argb,
                       const PangoFontDescription* font, UINT style);
  // Pixel size of a text laid out in at most width pixels (0: unlimited).
  static SIZE MeasureText(const std::string& text, const PangoFontDescription* font, int width);
  static void SetSourceColor(cairo_t* cr, uint32_t argb);
  // The outline of a w x h rectangle whose corners are ellipse quarters of radii rx, ry.
  static void RoundedRectPath(cairo_t* cr, double w, double h, double rx, double ry);
  // The pixels that the rounded rectangle of a window covers (corner: the full
  // ellipse size, as skins give it); the caller frees it.
  static cairo_region_t* RoundCornerRegion(SIZE size, SIZE corner);
};

}  // namespace DuiLib
