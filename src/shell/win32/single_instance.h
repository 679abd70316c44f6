// One Tarnwick per logon: the first start holds a named mutex for its whole run; a later start
// finds it taken, brings the first window forward and ends.
#pragma once

#include <windows.h>

namespace tarnwick::win32 {

class SingleInstance {
 public:
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // False when another process of this logon (or an earlier object here) holds the mutex.
  [[nodiscard]] bool first() const { return first_; }

 private:
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};

// Restores the first instance's main window when it is minimised and puts it in front; nothing
// when there is no such window.
void bringFirstWindowForward();

}  // namespace tarnwick::win32
