// Frame states for the render tests: the English texts of every field the window shows, and the
// Arabic and Chinese texts of the fields those tests look at (English where a field is not set).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "render/frame_state.h"
#include "render/frame_state_from_app.h"

namespace tarnwick::test {

inline constexpr std::array<std::wstring_view, languageFieldCount> kEnglish = {
    L"en",
    L"English",
    L"YouTube in ",
    L"any format",
    L".",
    L"Video or audio from 8K to 144p – even 3GP, FLV & WMV. Fast, ad-free, no limits.",
    L"Paste a YouTube link or search …",
    L"Paste",
    L"Download",
    L"Cancel",
    L"Video",
    L"Audio",
    L"Whole playlist",
    L"QUALITY",
    L"SAVE TO",
    L"Best",
    L"Change",
    L"Open",
    L"Show in folder",
    L"LOG",
    L"Clear",
    L"Ready – paste a link and click “Download”.",
    L"Preparing components …",
    L"Setting up: downloading {0}",
    L"Setting up: extracting {0} …",
    L"Updating yt-dlp …",
    L"Analyzing video …",
    L"Downloading",
    L"{0} left",
    L"Merging video and audio …",
    L"Converting to {0} …",
    L"Starting …",
    L"Cancelling …",
    L"Done!",
    L"Cancelled.",
    L"Failed – see the log for details.",
    L"Setup failed – check your internet connection and click “Download” to retry.",
    L"Please paste a YouTube link first.",
    L"The save location doesn't exist and couldn't be created.",
    L"Your download will start automatically once setup is complete …",
    L"A download is still running. Cancel it and quit?",
    L"Welcome to Tarnwick App!",
    L"lossless",
    L"Search",
    L"Searching …",
    L"No results found.",
    L"{0} views",
    L"Video unavailable or private.",
    L"Search failed – see the log for details.",
};

inline constexpr std::array<std::wstring_view, languageCount> kNativeNames = {
    L"English",    L"Deutsch",          L"Français", L"Español", L"Italiano",   L"Português",
    L"Nederlands", L"Polski",           L"Türkçe",   L"Русский", L"Українська", L"العربية",
    L"हिन्दी",      L"Bahasa Indonesia", L"日本語",   L"한국어",  L"中文"};

// Status ids (counted from field 2).
inline constexpr int kStatusReady = 19;
inline constexpr int kStatusStarting = 29;
inline constexpr int kStatusDone = 31;
inline constexpr int kStatusFailed = 33;

// Enables the elements the app's rule enables for the fields of `state` (and for a finished
// download's file when `hasOutputPath`). Call again after changing a field the rule reads.
inline void applyEnabledRule(FrameState& state, bool hasOutputPath = false) {
  AppState app;
  app.audioMode = state.audioMode;
  app.audioFormat = state.audioFormat;
  app.jobState = state.jobState;
  app.statusKind = state.statusKind;
  app.searching = state.searching;
  app.preview.active = state.preview.active;
  app.preview.height = state.preview.height;
  if (hasOutputPath) app.outputPath = L"/home/user/Downloads/Big Buck Bunny.mp4";
  state.enabled = enabledElementsOf(app);
}

inline FrameState englishState() {
  FrameState state;
  state.text = kEnglish;
  state.languageNames = kNativeNames;
  state.folder = L"/home/user/Downloads";
  state.statusId = kStatusReady;
  applyEnabledRule(state);
  return state;
}

inline void applyArabic(FrameState& state) {
  state.language = 11;
  state.text[1] = L"العربية";
  state.text[2] = L"نزّل من YouTube ";
  state.text[3] = L"بأي صيغة";
  state.text[4] = L"";
  state.text[5] = L"فيديو أو صوت من 8K إلى 144p – سريع وبلا إعلانات وبلا حدود.";
  state.text[7] = L"لصق";
  state.text[8] = L"تنزيل";
  state.text[9] = L"إلغاء";
  state.text[10] = L"فيديو";
  state.text[11] = L"صوت";
  state.text[12] = L"قائمة التشغيل كاملة";
  state.text[13] = L"الجودة";
  state.text[14] = L"الحفظ في";
  state.text[15] = L"الأفضل";
  state.text[16] = L"تغيير";
  state.text[17] = L"فتح";
  state.text[18] = L"إظهار في المجلد";
  state.text[19] = L"السجل";
  state.text[20] = L"مسح";
  state.text[21] = L"جاهز – الصق رابطًا وانقر «تنزيل».";
  state.text[43] = L"بحث";
  state.text[44] = L"جارٍ البحث …";
}

inline void applyChinese(FrameState& state) {
  state.language = 16;
  state.text[1] = L"中文";
  state.text[2] = L"";
  state.text[3] = L"任意格式";
  state.text[4] = L"下载 YouTube 视频";
  state.text[5] = L"视频或音频，从 8K 到 144p，甚至 3GP、FLV 和 WMV。快速、无广告、无限制。";
  state.text[8] = L"下载";
  state.text[21] = L"就绪 – 粘贴链接并点击“下载”。";
}

// A 320 × 180 picture: left half red, right half blue (opaque, premultiplied ARGB32).
inline ThumbView makeThumb(int width = 320, int height = 180) {
  auto pixels = std::make_shared<std::vector<std::uint32_t>>(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      (*pixels)[static_cast<std::size_t>(y) * width + x] = x < width / 2 ? 0xFFE02020u : 0xFF2040E0u;
  ThumbView thumb;
  thumb.pixels = reinterpret_cast<const std::uint8_t*>(pixels->data());
  thumb.owner = pixels;
  thumb.width = width;
  thumb.height = height;
  thumb.stride = width * 4;
  return thumb;
}

}  // namespace tarnwick::test
