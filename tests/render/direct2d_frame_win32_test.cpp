// The Direct2D backend against the Cairo one: the reference frame rendered here by Direct2D and
// DirectWrite, compared with the Cairo frame and layout that the Linux build wrote beforehand
// (scripts/test-windows.sh runs helpers/cairo_reference_posix.cpp). Both pictures end up side by
// side in the build's screenshots folder for a person to look at.
#include <gtest/gtest.h>

#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "frame_reference.h"
#include "render/direct2d_canvas.h"
#include "render/offscreen.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

const std::filesystem::path kScreenshots = TARNWICK_SCREENSHOTS_DIR;

struct Rgb {
  int r, g, b;
};
Rgb rgbOf(std::uint32_t argb) {
  return {static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
          static_cast<int>(argb & 0xFF)};
}
int channelDistance(std::uint32_t a, std::uint32_t b) {
  const Rgb x = rgbOf(a);
  const Rgb y = rgbOf(b);
  return std::max({std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b)});
}

// Pixels of `rect` within `tolerance` of `rgb` in every channel.
int pixelsNear(const Image& image, const RectF& rect, std::uint32_t rgb, int tolerance = 40) {
  int count = 0;
  for (int y = std::max(0, dipToPx(rect.top, 1)); y < std::min(image.height, dipToPx(rect.bottom, 1)); ++y)
    for (int x = std::max(0, dipToPx(rect.left, 1)); x < std::min(image.width, dipToPx(rect.right, 1)); ++x)
      if (channelDistance(image.at(x, y), rgb) <= tolerance) ++count;
  return count;
}

// A PNG read through WIC as premultiplied ARGB32; empty when it cannot be read.
Image readPng(const std::filesystem::path& path) {
  Image image;
  ComRef<IWICImagingFactory> wic;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICFormatConverter> converter;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(wic.put()))) ||
      FAILED(wic->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                            WICDecodeMetadataCacheOnDemand, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(wic->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0, WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)))
    return image;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                   reinterpret_cast<BYTE*>(pixels.data()))))
    return image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels = std::move(pixels);
  return image;
}

TEST(DirectWriteFamilies, WindowsFamiliesWhereInstalledInterBeforeThemAndMaterialIconsWithoutSegoe) {
  struct Case {
    std::set<std::string> installed;
    FontFamilies expected;
    IconSet icons;
  };
  const std::vector<Case> cases = {
      {{}, {"Segoe UI", "Segoe UI", "Segoe UI", "Material Icons", "Consolas"}, IconSet::material},
      {{"Inter", "JetBrains Mono", "Segoe UI Variable Text"},
       {"Inter", "Inter", "Inter", "Material Icons", "JetBrains Mono"},
       IconSet::material},
      {{"Segoe UI Variable Text", "Segoe MDL2 Assets", "Cascadia Mono", "JetBrains Mono"},
       {"Segoe UI", "Segoe UI Variable Text", "Segoe UI Variable Display", "Segoe MDL2 Assets",
        "Cascadia Mono"},
       IconSet::segoe},
      {{"Segoe Fluent Icons", "Segoe MDL2 Assets"},
       {"Segoe UI", "Segoe UI", "Segoe UI", "Segoe Fluent Icons", "Consolas"},
       IconSet::segoe},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    const Case& c = cases[i];
    const FontFamilies got = chooseDirectWriteFamilies(
        [&](std::string_view name) { return c.installed.count(std::string(name)) > 0; });
    EXPECT_EQ(got.ui, c.expected.ui);
    EXPECT_EQ(got.text, c.expected.text);
    EXPECT_EQ(got.display, c.expected.display);
    EXPECT_EQ(got.icon, c.expected.icon);
    EXPECT_EQ(got.mono, c.expected.mono);
    EXPECT_EQ(iconSetOf(got), c.icons);
  }
  // The prefix that scripts/wine-fonts.sh filled: Inter and JetBrains Mono, no Segoe icon font.
  const DirectWriteText system;
  EXPECT_EQ(system.families().text, "Inter");
  EXPECT_EQ(system.families().mono, "JetBrains Mono");
  EXPECT_EQ(system.iconSet(), IconSet::material);
  EXPECT_GT(system.measureText(L"Save ", TextFormat::label), system.measureText(L"Save", TextFormat::label));
}

TEST(Direct2DWindowTarget, MadeAtTheFirstPaintAtTheWindowsDpiThenKeptAcrossFramesAndDpiChanges) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TarnwickDirect2DTest";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  {
    Direct2DWindowTarget target(window);
    std::vector<double> scales;
    const auto frame = [&](Canvas& canvas) {
      scales.push_back(canvas.scale());
      canvas.fillRound({10, 10, 100, 40}, 8, palette::accent, 1);
    };
    EXPECT_TRUE(target.paint(0, frame));
    target.setDpi(144);
    target.resize(600, 450);
    EXPECT_TRUE(target.paint(33, frame));
    EXPECT_EQ(scales, (std::vector<double>{GetDpiForWindow(window) / 96.0, 1.5}));
    EXPECT_EQ(target.generation(), 1u);
  }
  DestroyWindow(window);
}

// Leftmost column of `rect` with a pixel brighter than any background there; -1 when none.
float inkLeft(const Image& image, const RectF& rect) {
  for (int x = dipToPx(rect.left, 1); x < dipToPx(rect.right, 1); ++x)
    for (int y = dipToPx(rect.top, 1); y < dipToPx(rect.bottom, 1); ++y) {
      const Rgb c = rgbOf(image.at(x, y));
      if (c.r + c.g + c.b > 300) return static_cast<float>(x);
    }
  return -1;
}

TEST(DirectWriteText, LeadingTextStartsAtTheLeftEdgeInEveryScript) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    OffscreenRenderer renderer;
    const FrameState state = test::referenceState();
    const Image popup = renderer.renderLanguagePopup(state, 1);
    ASSERT_TRUE(popup.writePng(kScreenshots / "direct2d-languages.png"));
    int rightToLeft = 0;
    for (int i = 0; i < languageCount; ++i) {
      // The language popup's cells: 176 × 34 from (6, 6), nine a column, the name 16 DIPs in.
      const float left = 6 + static_cast<float>(i / 9) * 176 + 16;
      const float top = 6 + static_cast<float>(i % 9) * 34;
      const std::wstring_view name = state.languageNames[i];
      rightToLeft += isRightToLeftText(name) ? 1 : 0;
      EXPECT_NEAR(inkLeft(popup, {left, top + 4, left + 120, top + 30}), left, 4) << wideToUtf8(name);
    }
    EXPECT_GT(rightToLeft, 0);
  }
  CoUninitialize();
}

class Direct2DFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::filesystem::create_directories(kScreenshots);
    const FrameState state = test::referenceState();
    frame = renderer->renderMainWindow(state, test::kReferenceWidth, test::kReferenceHeight, 1, &layout);
    ASSERT_TRUE(frame.writePng(kScreenshots / "direct2d-idle.png"));
    cairo = readPng(kScreenshots / "cairo-idle.png");
    std::ifstream file(kScreenshots / "cairo-idle-layout.txt");
    cairoRects = test::parseRects(std::string(std::istreambuf_iterator<char>(file), {}));
    ASSERT_EQ(cairo.width, frame.width)
        << "the Cairo reference is missing: scripts/test-windows.sh writes it";
    ASSERT_EQ(cairo.height, frame.height);
    ASSERT_FALSE(cairoRects.empty());
  }
  void TearDown() override {
    renderer.reset();
    CoUninitialize();
  }

  std::unique_ptr<OffscreenRenderer> renderer = std::make_unique<OffscreenRenderer>();
  MainLayout layout;
  Image frame;
  Image cairo;
  std::map<std::string, RectF> cairoRects;
};

TEST_F(Direct2DFrame, LayoutWithDirectWriteMeasuresMatchesTheCairoLayout) {
  const std::map<std::string, RectF> rects = test::namedRects(layout);
  ASSERT_EQ(rects.size(), cairoRects.size());
  std::pair<float, std::string> worstEdge{0, ""};
  std::pair<float, std::string> worstWidth{0, ""};
  for (const auto& [name, cairoRect] : cairoRects) {
    ASSERT_TRUE(rects.count(name)) << name;
    const RectF& r = rects.at(name);
    // Heights and vertical places come from the layout alone; widths from measured text, and a
    // chip's place from the widths of the chips before it in its row.
    EXPECT_EQ(r.top, cairoRect.top) << name;
    EXPECT_EQ(r.bottom, cairoRect.bottom) << name;
    EXPECT_NEAR(r.width(), cairoRect.width(), 1 + 0.025f * cairoRect.width()) << name;
    EXPECT_NEAR(r.left, cairoRect.left, 6) << name;
    worstWidth = std::max(worstWidth, {std::abs(r.width() - cairoRect.width()), name});
    worstEdge = std::max(
        worstEdge, {std::max(std::abs(r.left - cairoRect.left), std::abs(r.right - cairoRect.right)), name});
  }
  std::printf("largest width difference %.2f DIPs (%s), largest edge difference %.2f DIPs (%s)\n",
              worstWidth.first, worstWidth.second.c_str(), worstEdge.first, worstEdge.second.c_str());
}

TEST_F(Direct2DFrame, BackgroundsCardsChipsAndButtonsHaveTheCairoColours) {
  const auto mid = [](const RectF& r) { return (r.top + r.bottom) / 2; };
  struct Sample {
    const char* what;
    float x, y;
  };
  const RectF& main = layout.mainCardRect;
  const Sample samples[] = {
      {"background, top left", 4, 4},
      {"background, bottom right", test::kReferenceWidth - 4, test::kReferenceHeight - 4},
      {"background, right edge", test::kReferenceWidth - 4, test::kReferenceHeight / 2},
      {"main card", main.left + 8, mid(main)},
      {"status card", layout.statusCardRect.left + 8, mid(layout.statusCardRect)},
      {"log card", layout.logCardRect.left + 8, layout.logCardRect.top + 8},
      {"log box", (layout.logBoxRect.left + layout.logBoxRect.right) / 2, mid(layout.logBoxRect)},
      {"link field", layout.linkIconRect.right + 24, mid(layout.linkFieldRect)},
      {"folder box", layout.folderPathRect.right - 6, mid(layout.folderPathRect)},
      {"action button", layout.actionButtonRect.left + 8, mid(layout.actionButtonRect)},
      {"action button, right", layout.actionButtonRect.right - 8, mid(layout.actionButtonRect)},
      {"paste button", layout.pasteButtonRect.left + 4, mid(layout.pasteButtonRect)},
      {"video pill (selected)", layout.videoModeRect.left + 10, mid(layout.videoModeRect)},
      {"audio pill", layout.audioModeRect.left + 10, mid(layout.audioModeRect)},
      {"first format chip (selected)", layout.formatChipRects[0].left + 8, mid(layout.formatChipRects[0])},
      {"second format chip", layout.formatChipRects[1].left + 8, mid(layout.formatChipRects[1])},
      {"first quality chip (selected)", layout.qualityChipRects[0].left + 8, mid(layout.qualityChipRects[0])},
      {"second quality chip", layout.qualityChipRects[1].left + 8, mid(layout.qualityChipRects[1])},
      {"playlist switch", layout.playlistSwitchRect.right - 4, mid(layout.playlistSwitchRect)},
      {"badge", layout.badgeRect.left + 4, mid(layout.badgeRect)},
      {"progress track", layout.progressTrackRect.left + 20, mid(layout.progressTrackRect)},
  };
  int worst = 0;
  for (const Sample& s : samples) {
    const int d = channelDistance(frame.atDip(s.x, s.y, 1), cairo.atDip(s.x, s.y, 1));
    worst = std::max(worst, d);
    EXPECT_LE(d, 6) << s.what << std::hex << ": Direct2D " << frame.atDip(s.x, s.y, 1) << ", Cairo "
                    << cairo.atDip(s.x, s.y, 1);
  }
  std::printf("largest colour difference at the samples: %d of 255\n", worst);
}

TEST_F(Direct2DFrame, TextAndMaterialIconsAreDrawnInTheirRectsAndNothingInAnEmptyBox) {
  const RectF& folder = layout.folderPathRect;
  const RectF& field = layout.linkFieldRect;
  struct Ink {
    const char* what;
    RectF rect;
    std::uint32_t rgb;
  };
  const Ink inks[] = {
      {"brand", layout.brandRect, palette::textPrimary},
      {"headline", layout.headlineRect, palette::textPrimary},
      {"subtitle", layout.subtitleRect, palette::textMuted},
      {"badge", layout.badgeRect, palette::textMuted},
      {"quality caption", layout.qualityLabelRect, palette::textMuted},
      {"save-to caption", layout.saveToLabelRect, palette::textMuted},
      {"folder path", {folder.left + 44, folder.top, folder.right - 14, folder.bottom}, palette::textPrimary},
      {"status text", layout.statusTextRect, palette::textMuted},
      {"log caption", layout.logLabelRect, palette::textMuted},
      {"footer", layout.footerTextRect, palette::textMuted},
      {"footer link", layout.footerLinkRect, palette::accentText},
      {"link icon", layout.linkIconRect, palette::textMuted},
      {"folder icon", {folder.left + 12, folder.top, folder.left + 38, folder.bottom}, palette::textMuted},
      {"status icon", layout.statusIconRect, palette::textMuted},
  };
  for (const Ink& ink : inks) {
    const int drawn = pixelsNear(frame, ink.rect, ink.rgb);
    const int reference = pixelsNear(cairo, ink.rect, ink.rgb);
    std::printf("%-16s Direct2D %4d, Cairo %4d pixels of its colour\n", ink.what, drawn, reference);
    EXPECT_GE(drawn, 6) << ink.what;
    // The same text at the same size: as much ink as Cairo's, give or take the rasterizers.
    EXPECT_GE(drawn * 2, reference) << ink.what;
    EXPECT_LE(drawn, reference * 2) << ink.what;
  }
  // Where the native link entry goes, and the log's text area, nothing is drawn.
  const RectF emptyBoxes[] = {
      {layout.linkIconRect.right + 8, field.top + 4, layout.pasteButtonRect.left - 8, field.bottom - 4},
      layout.logBoxRect.inflated(-4)};
  for (const RectF& empty : emptyBoxes) {
    for (std::uint32_t rgb : {palette::textPrimary, palette::textMuted}) {
      EXPECT_EQ(pixelsNear(frame, empty, rgb), 0);
      EXPECT_EQ(pixelsNear(cairo, empty, rgb), 0);
    }
  }
}

}  // namespace
}  // namespace tarnwick
