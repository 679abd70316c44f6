#include "setup/component_checksum.h"

#include <gtest/gtest.h>

#include "setup/setup_overrides.h"

namespace tarnwick {
namespace {

const std::string lower = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string upper = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
const std::string other = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

TEST(PublishedChecksum, IsTakenFromTheLineNamingTheFileOrFromAOneFileList) {
  struct Case {
    const char* what;
    std::string list;
    bool singleFile;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"sha256sum list", other + "  yt-dlp\n" + lower + "  yt-dlp_linux\n" + other + "  yt-dlp.exe\n", false,
       lower},
      {"binary-mode marker, CRLF", other + " *yt-dlp.exe\r\n" + lower + " *yt-dlp_linux\r\n", false, lower},
      {"upper case, no final newline", other + "  a.zip\n" + upper + "  yt-dlp_linux", false, lower},
      {"file not named", other + "  yt-dlp\n" + lower + "  yt-dlp_linux.zip\n", false, std::nullopt},
      {"a longer name is another file", lower + "  old-yt-dlp_linux\n", false, std::nullopt},
      {"one-file list not naming it, list of many", lower + "  something-else\n", false, std::nullopt},
      {"one-file list not naming it", lower + "  shortened...\n", true, lower},
      {"Get-FileHash table",
       "\r\nAlgorithm       Hash                                                                   Path\r\n"
       "---------       ----                                                                   ----\r\n"
       "SHA256          " +
           upper + "       D:\\a\\deno\\target\\release\\yt-dlp_linux\r\n",
       true, lower},
      {"path with forward slashes", lower + "  ./dist/yt-dlp_linux\n", false, lower},
      {"two hashes, neither named", lower + "  a\n" + other + "  b\n", true, std::nullopt},
      {"63 digits", lower.substr(1) + "  yt-dlp_linux\n", true, std::nullopt},
      {"not hex", std::string(64, 'g') + "  yt-dlp_linux\n", true, std::nullopt},
      {"an error page", "<html><body>Not Found</body></html>", true, std::nullopt},
      {"empty", "", true, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(findPublishedSha256(c.list, "yt-dlp_linux", c.singleFile), c.expected) << c.what;
}

TEST(PublishedChecksum, ListsSitBesideTheReleaseDownloads) {
  const setup::ComponentSources real = setup::componentSources();
  struct Case {
    Component component;
    std::wstring url, list;
    bool singleFile;
  };
  const Case cases[] = {
      {Component::ytDlp, real.ytDlp,
       L"https://github.com/yt-dlp/yt-dlp/releases/latest/download/SHA2-256SUMS", false},
      {Component::deno, real.deno, real.deno + L".sha256sum", true},
      {Component::ffmpeg, real.ffmpeg,
       L"https://github.com/yt-dlp/FFmpeg-Builds/releases/download/latest/checksums.sha256", false},
  };
  for (const Case& c : cases) {
    ChecksumSource source = checksumSourceFor(c.component, c.url);
    EXPECT_EQ(source.url, c.list);
    EXPECT_EQ(source.singleFile, c.singleFile);
  }
}

}  // namespace
}  // namespace tarnwick
