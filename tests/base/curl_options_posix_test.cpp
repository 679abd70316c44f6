#include <gtest/gtest.h>

#include <cstdarg>
#include <map>

#include "base/curl_library_posix.h"

namespace tarnwick {
namespace {

// What setCommonOptions asked for, through a table whose easy_setopt only writes it down: a
// redirect from https to plain http cannot be staged on loopback without a trusted certificate.
std::map<CURLoption, std::string> textOptions;
std::map<CURLoption, long> numberOptions;

CURLcode recordOption(CURL*, CURLoption option, ...) {
  va_list args;
  va_start(args, option);
  if (option < CURLOPTTYPE_OBJECTPOINT)
    numberOptions[option] = va_arg(args, long);
  else if (option < CURLOPTTYPE_FUNCTIONPOINT)
    textOptions[option] = va_arg(args, const char*);
  va_end(args);
  return CURLE_OK;
}

TEST(CurlOptions, RedirectsNeverLeadFromHttpsDownToHttp) {
  struct Case {
    std::string url;
    const char* redirectsTo;
  };
  const Case cases[] = {
      {"https://example.test/file", "https"},
      {"HTTPS://example.test/file", "https"},
      {"http://example.test/file", "http,https"},
      {"httpx://example.test/file", "http,https"},
      {"", "http,https"},
  };
  CurlLibrary recorder;
  recorder.easy_setopt = recordOption;
  for (const Case& c : cases) {
    textOptions.clear();
    numberOptions.clear();
    setCommonOptions(recorder, nullptr, c.url, 7);
    EXPECT_EQ(textOptions[CURLOPT_REDIR_PROTOCOLS_STR], c.redirectsTo) << c.url;
    EXPECT_EQ(textOptions[CURLOPT_PROTOCOLS_STR], "http,https");
    EXPECT_EQ(textOptions[CURLOPT_URL], c.url);
    EXPECT_EQ(numberOptions[CURLOPT_FOLLOWLOCATION], 1L);
    EXPECT_EQ(numberOptions[CURLOPT_MAXREDIRS], 7L);
    EXPECT_EQ(numberOptions[CURLOPT_SSL_VERIFYPEER], 1L);
    EXPECT_EQ(numberOptions[CURLOPT_SSL_VERIFYHOST], 2L);
  }
}

}  // namespace
}  // namespace tarnwick
