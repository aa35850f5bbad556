#include <cairo.h>
#include <gtest/gtest.h>

#include "common/ChildProcess.h"
#include "common/TempDir.h"

namespace {

int RunSkinTool(const std::vector<std::string>& args, std::string* output) {
  std::vector<std::string> argv{kvtest::BuiltProgram("kvup-skin")};
  argv.insert(argv.end(), args.begin(), args.end());
  kvtest::ChildProcess tool;
  if (!tool.Start(argv, {"DISPLAY="})) return -1;
  const int code = tool.Wait(30000);
  *output = tool.Output();
  return code;
}

}  // namespace

TEST(SkinTool, RendersTheShippedMenuSkinHeadless) {
  kvtest::TempDir dir;
  const std::string png = dir.Sub("menu.png");
  std::string output;
  ASSERT_EQ(RunSkinTool({std::string(KVUP_SOURCE_DIR) + "/ui/skin/menu.xml", "--png", png, "--size",
                         "139x238"},
                        &output),
            0)
      << output;
  cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(image), 139);
  EXPECT_EQ(cairo_image_surface_get_height(image), 238);
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  const auto pixel = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
  };
  EXPECT_EQ(pixel(120, 17), 0xFFFFFFFFu);  // the menu's background, right of a text
  EXPECT_EQ(pixel(0, 100), 0xFFC8C8C8u);   // its border
  int dark = 0;                            // the first item's text
  for (int x = 26; x < 100; ++x) dark += (pixel(x, 17) & 0xFF) < 0x80 ? 1 : 0;
  EXPECT_GT(dark, 2);
  cairo_surface_destroy(image);
}

TEST(SkinTool, ABrokenSkinFailsNamingFileAndLine) {
  kvtest::TempDir dir;
  const std::string skin = dir.WriteFile("bad.xml", "<Window>\n<Menu>\n<Gizmo/></Menu></Window>");
  std::string output;
  EXPECT_EQ(RunSkinTool({skin, "--png", dir.Sub("out.png")}, &output), 1);
  EXPECT_NE(output.find("bad.xml:3: unknown control class 'Gizmo'"), std::string::npos) << output;
  EXPECT_EQ(RunSkinTool({skin, "--size", "10"}, &output), 2);
}
