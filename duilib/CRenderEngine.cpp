#include "duilib/CRenderEngine.h"

#include <pango/pangocairo.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <numbers>

#include "duilib/CImageString.h"
#include "log/KvLog.h"

namespace DuiLib {
namespace {

constexpr double kPi = std::numbers::pi;

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const {
    if (s != nullptr) cairo_surface_destroy(s);
  }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

std::map<std::string, SurfacePtr>& ImageCache() {
  static std::map<std::string, SurfacePtr> cache;
  return cache;
}

void PathRect(cairo_t* cr, const RECT& rc) {
  cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
}

}  // namespace

bool CRenderEngine::ImageFileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

cairo_surface_t* CRenderEngine::LoadImage(const std::string& path) {
  auto& cache = ImageCache();
  auto it = cache.find(path);
  if (it != cache.end()) return it->second.get();
  SurfacePtr surface;
  if (ImageFileExists(path)) {
    surface.reset(cairo_image_surface_create_from_png(path.c_str()));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) surface.reset();
  }
  if (!surface) KV_ERROR("DuiLib", "image '%s' cannot be read", path.c_str());
  return cache.emplace(path, std::move(surface)).first->second.get();
}

void CRenderEngine::ClearImageCache() {
  ImageCache().clear();
}

void CRenderEngine::RoundedRectPath(cairo_t* cr, double w, double h, double rx, double ry) {
  cairo_new_path(cr);
  cairo_save(cr);
  cairo_translate(cr, rx, ry);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, kPi, 1.5 * kPi);
  cairo_restore(cr);
  cairo_save(cr);
  cairo_translate(cr, w - rx, ry);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, 1.5 * kPi, 2 * kPi);
  cairo_restore(cr);
  cairo_save(cr);
  cairo_translate(cr, w - rx, h - ry);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, 0, 0.5 * kPi);
  cairo_restore(cr);
  cairo_save(cr);
  cairo_translate(cr, rx, h - ry);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, 0.5 * kPi, kPi);
  cairo_restore(cr);
  cairo_close_path(cr);
}

cairo_region_t* CRenderEngine::RoundCornerRegion(SIZE size, SIZE corner) {
  cairo_region_t* region = cairo_region_create();
  if (size.cx <= 0 || size.cy <= 0) return region;
  if (corner.cx <= 0 || corner.cy <= 0) {
    const cairo_rectangle_int_t all{0, 0, size.cx, size.cy};
    cairo_region_union_rectangle(region, &all);
    return region;
  }
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, size.cx, size.cy);
  cairo_t* cr = cairo_create(mask);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  RoundedRectPath(cr, size.cx, size.cy, corner.cx / 2.0, corner.cy / 2.0);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  const unsigned char* data = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  // Each row of a rounded rectangle is one run of covered pixels.
  for (int y = 0; y < size.cy; ++y) {
    const unsigned char* row = data + y * stride;
    int left = 0;
    while (left < size.cx && row[left] < 128) ++left;
    int right = size.cx;
    while (right > left && row[right - 1] < 128) --right;
    if (right <= left) continue;
    const cairo_rectangle_int_t run{left, y, right - left, 1};
    cairo_region_union_rectangle(region, &run);
  }
  cairo_surface_destroy(mask);
  return region;
}

void CRenderEngine::SetSourceColor(cairo_t* cr, uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, ((argb >> 24) & 0xFF) / 255.0);
}

void CRenderEngine::DrawColor(cairo_t* cr, const RECT& rc, uint32_t argb) {
  if (rc.IsEmpty() || (argb >> 24) == 0) return;
  cairo_save(cr);
  SetSourceColor(cr, argb);
  PathRect(cr, rc);
  cairo_fill(cr);
  cairo_restore(cr);
}

void CRenderEngine::DrawBorder(cairo_t* cr, const RECT& rc, int size, uint32_t argb) {
  if (size <= 0 || rc.IsEmpty() || (argb >> 24) == 0) return;
  cairo_save(cr);
  SetSourceColor(cr, argb);
  cairo_set_line_width(cr, size);
  const double half = size / 2.0;
  cairo_rectangle(cr, rc.left + half, rc.top + half, rc.Width() - size, rc.Height() - size);
  cairo_stroke(cr);
  cairo_restore(cr);
}

bool CRenderEngine::DrawImageString(cairo_t* cr, const RECT& item, const std::string& image,
                                    const std::string& folder) {
  if (image.empty()) return true;
  CImageString desc;
  std::string error;
  if (!desc.Parse(image, &error)) {
    KV_ERROR("DuiLib", "image not drawn: %s", error.c_str());
    return false;
  }
  cairo_surface_t* surface = LoadImage(folder + desc.File());
  if (surface == nullptr) return false;
  const int imgW = cairo_image_surface_get_width(surface);
  const int imgH = cairo_image_surface_get_height(surface);
  RECT src = desc.HasSource() ? desc.Source() : RECT{0, 0, imgW, imgH};
  RECT dst = item;
  if (desc.HasDest()) {
    const RECT& d = desc.Dest();
    dst = RECT{item.left + d.left, item.top + d.top, item.left + d.right, item.top + d.bottom};
  }
  if (src.IsEmpty() || dst.IsEmpty()) return true;
  cairo_save(cr);
  PathRect(cr, IntersectRects(dst, item));
  cairo_clip(cr);
  cairo_translate(cr, dst.left, dst.top);
  cairo_scale(cr, static_cast<double>(dst.Width()) / src.Width(),
              static_cast<double>(dst.Height()) / src.Height());
  cairo_set_source_surface(cr, surface, -src.left, -src.top);
  cairo_rectangle(cr, 0, 0, src.Width(), src.Height());
  cairo_clip(cr);
  cairo_paint_with_alpha(cr, desc.Fade() / 255.0);
  cairo_restore(cr);
  return true;
}

void CRenderEngine::DrawText(cairo_t* cr, const RECT& rc, const std::string& text, uint32_t argb,
                             const PangoFontDescription* font, UINT style) {
  if (text.empty() || rc.IsEmpty()) return;
  cairo_save(cr);
  PathRect(cr, rc);
  cairo_clip(cr);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, text.c_str(), -1);
  pango_layout_set_width(layout, rc.Width() * PANGO_SCALE);
  if ((style & DT_WORDBREAK) != 0 && (style & DT_SINGLELINE) == 0) {
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  } else {
    pango_layout_set_single_paragraph_mode(layout, TRUE);
  }
  if ((style & DT_END_ELLIPSIS) != 0) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout, (style & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                     : (style & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                          : PANGO_ALIGN_LEFT);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  int y = rc.top;
  if ((style & DT_VCENTER) != 0) y = rc.top + (rc.Height() - height) / 2;
  if ((style & DT_BOTTOM) != 0) y = rc.bottom - height;
  SetSourceColor(cr, argb);
  cairo_move_to(cr, rc.left, y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  cairo_restore(cr);
}

SIZE CRenderEngine::MeasureText(const std::string& text, const PangoFontDescription* font,
                                int width) {
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoContext* context = pango_font_map_create_context(map);
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, text.c_str(), -1);
  if (width > 0) {
    pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  SIZE size;
  pango_layout_get_pixel_size(layout, &size.cx, &size.cy);
  g_object_unref(layout);
  g_object_unref(context);
  return size;
}

}  // namespace DuiLib
