#include "shell/gtk/glib_timer.h"

namespace tarnwick {

void GlibTimer::start(unsigned periodMs, bool repeat, std::function<void()> tick) {
  stop();
  repeat_ = repeat;
  tick_ = std::move(tick);
  source_ = g_timeout_add(periodMs, fire, this);
}

void GlibTimer::stop() {
  if (source_ != 0) g_source_remove(source_);
  source_ = 0;
}

gboolean GlibTimer::fire(gpointer self) {
  auto* me = static_cast<GlibTimer*>(self);
  if (!me->repeat_) {
    me->source_ = 0;  // GLib drops the source once we answer REMOVE
    auto tick = me->tick_;
    if (tick) tick();
    return G_SOURCE_REMOVE;
  }
  if (me->tick_) me->tick_();
  return G_SOURCE_CONTINUE;
}

}  // namespace tarnwick
