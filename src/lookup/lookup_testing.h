// Test seams of the lookup layer. Only the lookup layer itself and its tests include this
// header: production code has no way to point the lookups elsewhere or shorten their time-outs.
#pragma once

#ifndef TARNWICK_LOOKUP_INTERNAL
#error "lookup/lookup_testing.h is for the lookup layer and its tests only"
#endif

#include <chrono>
#include <string>

namespace tarnwick::testing {

// Scheme, host and optional port, without a trailing "/" (e.g. "http://127.0.0.1:4711").
struct LookupHosts {
  std::wstring watch;      // the watch address handed to yt-dlp and encoded into the oEmbed query
  std::wstring oembed;     // the oEmbed endpoint
  std::wstring thumbnail;  // the image host
};

// Replaces the three hosts for the rest of the process (until resetLookupHosts).
void setLookupHosts(LookupHosts hosts);
void resetLookupHosts();

// Replaces httpGet's time-outs. The "without data" check runs about once a second while nothing
// arrives, so a stall ends within a second after the limit.
void setHttpTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds withoutData);
// Replaces the limit for the whole transfer.
void setHttpDeadline(std::chrono::milliseconds whole);
// Back to the time-outs and the deadline of the program.
void resetHttpTimeouts();

}  // namespace tarnwick::testing
