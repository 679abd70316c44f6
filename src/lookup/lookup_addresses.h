// The web addresses of the preview: the watch page, the oEmbed endpoint and the thumbnail image.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// "https://www.youtube.com/watch?v=" + id
[[nodiscard]] std::wstring watchUrl(std::wstring_view videoId);
// The oEmbed endpoint asked for JSON about the watch page (its address percent-encoded, the id
// appended as it stands).
[[nodiscard]] std::wstring oembedUrl(std::wstring_view videoId);
// The medium-size thumbnail: "https://i.ytimg.com/vi/" + id + "/mqdefault.jpg"
[[nodiscard]] std::wstring thumbnailUrl(std::wstring_view videoId);

}  // namespace tarnwick
