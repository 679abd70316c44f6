// Fonts, measuring, the text primitive's alignment and ellipsis, the icon glyphs, the duration
// badge and the view counts.
#include "render/text_engine.h"

#include <gtest/gtest.h>

#include <pango/pangocairo.h>
#include "fontconfig_leaks.h"

#include <set>
#include <string>

#include "frame_fixtures.h"
#include "render/cairo_canvas.h"
#include "render/icons.h"
#include "render/painters.h"

namespace tarnwick {
namespace {

TEST(FontFamilies, InterAndJetBrainsMonoWhenInstalledElseSystemFamilies) {
  const FontFamilies with =
      chooseFontFamilies([](std::string_view name) { return name == "Inter" || name == "JetBrains Mono"; });
  EXPECT_EQ(with.ui, "Inter");
  EXPECT_EQ(with.text, "Inter");
  EXPECT_EQ(with.display, "Inter");
  EXPECT_EQ(with.mono, "JetBrains Mono");
  const FontFamilies without = chooseFontFamilies([](std::string_view) { return false; });
  EXPECT_EQ(without.ui, "Sans");
  EXPECT_EQ(without.text, "Sans");
  EXPECT_EQ(without.mono, "DejaVu Sans Mono");
  EXPECT_EQ(without.icon, "Material Icons");
}

TEST(TextFormats, SizesAndWeights) {
  EXPECT_EQ(textFormatSpec(TextFormat::headline).size, 38);
  EXPECT_EQ(textFormatSpec(TextFormat::headline).weight, 800);
  EXPECT_EQ(textFormatSpec(TextFormat::label).weight, 600);
  EXPECT_EQ(textFormatSpec(TextFormat::icon10).role, FontRole::icon);
  EXPECT_EQ(textFormatSpec(TextFormat::previewTitle).role, FontRole::display);
  const TextEngine engine;
  const PangoFontDescription* font = engine.font(TextFormat::body);
  EXPECT_EQ(pango_font_description_get_size(font), 14 * PANGO_SCALE);
  EXPECT_TRUE(pango_font_description_get_size_is_absolute(font));
}

TEST(MeasureText, TrailingBlanksCountAndWidthsAreWholeDips) {
  const TextEngine engine;
  const float save = engine.measureText(L"Save", TextFormat::label);
  const float saveBlank = engine.measureText(L"Save ", TextFormat::label);
  EXPECT_GT(save, 20);
  EXPECT_GT(saveBlank, save);
  EXPECT_EQ(save, std::ceil(save));
  EXPECT_EQ(engine.measureText(L"", TextFormat::label), 0);
  EXPECT_GT(engine.measureText(L"Download", TextFormat::headline),
            engine.measureText(L"Download", TextFormat::small));
}

TEST(Icons, EveryGlyphIsInTheIconFontAndDistinct) {
  const TextEngine engine;
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoContext* context = pango_font_map_create_context(map);
  PangoFont* font = pango_context_load_font(context, engine.font(TextFormat::icon16));
  ASSERT_NE(font, nullptr);
  std::set<wchar_t> seen;
  for (int i = 0; i <= static_cast<int>(Icon::person); ++i) {
    const wchar_t glyph = iconGlyph(static_cast<Icon>(i));
    EXPECT_TRUE(pango_font_has_char(font, static_cast<gunichar>(glyph)))
        << std::hex << static_cast<int>(glyph);
    seen.insert(glyph);
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(Icon::person) + 1);
  g_object_unref(font);
  g_object_unref(context);
}

class DrawnText : public ::testing::Test {
 protected:
  DrawnText()
      : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 40)), cr(cairo_create(surface)) {}
  ~DrawnText() override {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  // Leftmost and rightmost inked columns.
  std::pair<int, int> ink() {
    cairo_surface_flush(surface);
    const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
    const int stride = cairo_image_surface_get_stride(surface) / 4;
    int first = -1;
    int last = -1;
    for (int x = 0; x < 300; ++x)
      for (int y = 0; y < 40; ++y)
        if ((data[y * stride + x] >> 24) > 60) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }
  void draw(std::wstring_view text, TextAlign align, const RectF& rect = {20, 0, 280, 40}) {
    CairoCanvas canvas(cr, engine, 1, 0);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    canvas.drawText(text, TextFormat::body, rect, 0xFFFFFF, 1, align);
  }
  TextEngine engine;
  cairo_surface_t* surface;
  cairo_t* cr;
};

TEST_F(DrawnText, RightToLeftTextKeepsItsVisualSide) {
  draw(L"العربية", TextAlign::leading);
  auto [left, right] = ink();
  EXPECT_GE(left, 20);
  EXPECT_LT(left, 26);
  draw(L"العربية", TextAlign::trailing);
  std::tie(left, right) = ink();
  EXPECT_GT(right, 272);
  EXPECT_LE(right, 280);
  draw(L"العربية", TextAlign::center);
  std::tie(left, right) = ink();
  EXPECT_NEAR((left + right) / 2.0, 150, 3);
  draw(L"English", TextAlign::leading);
  std::tie(left, right) = ink();
  EXPECT_LT(left, 26);
}

TEST_F(DrawnText, LongTextEndsInAnEllipsisInsideItsBox) {
  const std::wstring text(80, L'W');
  draw(text, TextAlign::leading, {20, 0, 120, 40});
  const auto [left, right] = ink();
  EXPECT_GE(left, 20);
  EXPECT_LT(right, 120);
  PangoLayout* layout = engine.layout(text, TextFormat::body, 100, 40, TextAlign::leading);
  EXPECT_TRUE(pango_layout_is_ellipsized(layout));
  EXPECT_EQ(pango_layout_get_line_count(layout), 1);
  // The preview title wraps to two lines and is cut at its box's height.
  PangoLayout* title = engine.layout(std::wstring(40, L'x') + L" " + std::wstring(400, L'y'),
                                     TextFormat::previewTitle, 300, 46, TextAlign::leading);
  EXPECT_EQ(pango_layout_get_line_count(title), 2);
  EXPECT_TRUE(pango_layout_is_ellipsized(title));
}

TEST_F(DrawnText, LayoutsAreReusedAcrossFramesAndDroppedWhenUnused) {
  PangoLayout* first = engine.layout(L"Ready", TextFormat::body, 200, 24, TextAlign::leading);
  engine.endFrame();
  EXPECT_EQ(engine.layout(L"Ready", TextFormat::body, 200, 24, TextAlign::leading), first);
  EXPECT_NE(engine.layout(L"Ready", TextFormat::body, 201, 24, TextAlign::leading), first);
  for (int i = 0; i < 500; ++i)
    (void)engine.layout(std::to_wstring(i), TextFormat::body, 50, 20, TextAlign::leading);
  engine.endFrame();
  (void)engine.layout(L"Ready", TextFormat::body, 200, 24, TextAlign::leading);
  engine.endFrame();
  EXPECT_EQ(engine.cachedLayouts(), 1u);
}

// The badge and the meta line show the lookup layer's short forms of durations and view counts.
TEST_F(DrawnText, DurationBadgeFitsItsTextAndIsAbsentWithoutADuration) {
  const auto badgeLeft = [&](double seconds) {
    draw(L"", TextAlign::leading);  // clears the surface
    CairoCanvas canvas(cr, engine, 1, 0);
    drawDurationBadge(canvas, {0, 0, 300, 40}, seconds);
    return ink().first;
  };
  const int minute = badgeLeft(59.6);  // "1:00": rounded half away from zero
  ASSERT_GE(minute, 0);
  EXPECT_EQ(badgeLeft(60), minute);
  EXPECT_LT(badgeLeft(36000), minute - 15);  // "10:00:00"
  EXPECT_EQ(badgeLeft(0), -1);
  EXPECT_EQ(badgeLeft(-1), -1);
}

TEST(NumberTexts, MetaLineShowsShortViewCounts) {
  const FrameState state = test::englishState();
  const auto views = [&](long long count) {
    MediaView hit;
    hit.viewCount = count;
    return buildMetaLine(state, hit, true);
  };
  // The short forms themselves are the lookup layer's (tests/lookup/number_format_test.cpp).
  EXPECT_EQ(views(0), L"\u20660 views\u2069");
  EXPECT_EQ(views(1050), L"\u20661.1K views\u2069");
  EXPECT_EQ(views(3000000000), L"\u20663B views\u2069");
  EXPECT_EQ(views(-1), L"");
}

}  // namespace
}  // namespace tarnwick
