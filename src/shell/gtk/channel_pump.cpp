#include "shell/gtk/channel_pump.h"

#include <glib.h>

#include <utility>

namespace tarnwick {
namespace {

// UI thread only.
MessageHandler& handler() {
  static MessageHandler h;
  return h;
}

gboolean drain(gpointer) {
  // A handler may post again (or run a nested loop for a dialog); anything posted meanwhile
  // brings its own wake-up, so one pass over what is queued now is enough.
  for (Message& message : takePostedMessages()) {
    if (handler()) handler()(message);
  }
  return G_SOURCE_REMOVE;
}

}  // namespace

void startChannelPump(MessageHandler h) {
  handler() = std::move(h);
  // g_idle_add is safe from any thread and never runs the drain inside the poster's call, even
  // when the UI thread posts itself.
  openChannel([] { g_idle_add_full(G_PRIORITY_DEFAULT, drain, nullptr, nullptr); });
}

void stopChannelPump() {
  shutdownChannel();
  handler() = nullptr;
}

}  // namespace tarnwick
