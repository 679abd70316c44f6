// A GLib timeout owned by an object: stopped when the owner goes, restartable, never leaking a
// source that would call into freed state.
#pragma once

#include <glib.h>

#include <functional>

namespace tarnwick {

class GlibTimer {
 public:
  GlibTimer() = default;
  ~GlibTimer() { stop(); }
  GlibTimer(const GlibTimer&) = delete;
  GlibTimer& operator=(const GlibTimer&) = delete;

  // (Re)starts the timer. A repeating timer calls `tick` every `periodMs` until stopped; a
  // one-shot timer stops itself before calling `tick` (which may start it again).
  void start(unsigned periodMs, bool repeat, std::function<void()> tick);
  void stop();
  [[nodiscard]] bool running() const { return source_ != 0; }

 private:
  static gboolean fire(gpointer self);

  guint source_ = 0;
  bool repeat_ = false;
  std::function<void()> tick_;
};

}  // namespace tarnwick
