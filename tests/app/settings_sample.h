// A record in which every value differs from its default: the highest each range accepts.
#pragma once

#include <string>

#include "app/settings.h"

namespace tarnwick::test {

inline Settings highestSettings(std::wstring folder) {
  Settings s;
  s.folder = std::move(folder);
  s.language = 16;
  s.audioMode = true;
  s.videoFormat = 9;
  s.quality = 0;  // the default is 4; 0 (best) differs from it
  s.audioFormat = 7;
  s.bitrate = 5;
  s.wholePlaylist = true;
  return s;
}

}  // namespace tarnwick::test
