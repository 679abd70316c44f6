// Copyable snapshots of recorded channel messages, for comparing sequences in tests.
#pragma once

#include <string>
#include <vector>

#include "channel_recorder.h"

namespace tarnwick::test {

struct Posted {
  std::uint32_t id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::wstring text;
};

inline std::vector<Posted> snapshot(ChannelRecorder& recorder) {
  std::vector<Posted> out;
  for (const Recorded& r : recorder.messages()) out.push_back({r.id, r.wParam, r.lParam, r.text});
  return out;
}

}  // namespace tarnwick::test
