#define TARNWICK_LOOKUP_INTERNAL
#include "lookup/lookup_addresses.h"

#include <mutex>

#include "lookup/lookup_testing.h"

namespace tarnwick {
namespace {

const testing::LookupHosts productionHosts{L"https://www.youtube.com", L"https://www.youtube.com",
                                           L"https://i.ytimg.com"};

// Read by every worker; replaced only by tests.
std::mutex hostsLock;
testing::LookupHosts currentHosts = productionHosts;

testing::LookupHosts hosts() {
  std::lock_guard guard(hostsLock);
  return currentHosts;
}

// Query-component encoding; the watch address only ever holds the first four of these.
std::wstring percentEncode(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L':':
        out += L"%3A";
        break;
      case L'/':
        out += L"%2F";
        break;
      case L'?':
        out += L"%3F";
        break;
      case L'=':
        out += L"%3D";
        break;
      case L'&':
        out += L"%26";
        break;
      case L'#':
        out += L"%23";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::wstring watchUrl(std::wstring_view videoId) {
  std::wstring url = hosts().watch + L"/watch?v=";
  url += videoId;
  return url;
}

std::wstring oembedUrl(std::wstring_view videoId) {
  testing::LookupHosts h = hosts();
  std::wstring url = h.oembed + L"/oembed?format=json&url=" + percentEncode(h.watch + L"/watch?v=");
  url += videoId;
  return url;
}

std::wstring thumbnailUrl(std::wstring_view videoId) {
  std::wstring url = hosts().thumbnail + L"/vi/";
  url += videoId;
  url += L"/mqdefault.jpg";
  return url;
}

namespace testing {

void setLookupHosts(LookupHosts replacement) {
  std::lock_guard guard(hostsLock);
  currentHosts = std::move(replacement);
}

void resetLookupHosts() {
  setLookupHosts(productionHosts);
}

}  // namespace testing
}  // namespace tarnwick
