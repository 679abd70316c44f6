// Drains the worker channel on the GTK main loop.
#pragma once

#include <functional>

#include "base/channel.h"

namespace tarnwick {

// Called on the UI thread for every posted message, oldest first.
using MessageHandler = std::function<void(Message& message)>;

// Opens the channel with a wake-up that schedules one drain on the default main context. The
// wake-up runs on the posting thread and touches nothing but GLib's thread-safe idle queue.
void startChannelPump(MessageHandler handler);
// Closes the channel (later posts are dropped and freed) and forgets the handler.
void stopChannelPump();

}  // namespace tarnwick
