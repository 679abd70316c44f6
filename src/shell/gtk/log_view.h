// The log's text view follows the log model piece by piece: appends go to the end, a trim drops
// characters from the front. The whole text is never rebuilt, so a long log costs nothing per
// line. UI thread.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <string_view>

namespace tarnwick {

void appendToLogView(GtkWidget* textView, std::wstring_view text);
// Drops the first `count` characters (code points, as the model counts them).
void trimLogView(GtkWidget* textView, std::size_t count);
void clearLogView(GtkWidget* textView);

}  // namespace tarnwick
