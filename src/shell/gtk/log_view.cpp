#include "shell/gtk/log_view.h"

#include <climits>

#include "base/text.h"
#include "shell/gtk/main_view.h"

namespace tarnwick {
namespace {

GtkTextBuffer* bufferOf(GtkWidget* textView) {
  return gtk_text_view_get_buffer(GTK_TEXT_VIEW(textView));
}

}  // namespace

void appendToLogView(GtkWidget* textView, std::wstring_view text) {
  if (text.empty()) return;
  GtkTextBuffer* buffer = bufferOf(textView);
  // GtkTextBuffer refuses NUL; a stand-in of the same length keeps the view's offsets equal to
  // the model's.
  std::wstring clean(text);
  for (wchar_t& c : clean) {
    if (c == L'\0') c = 0xFFFD;
  }
  std::string bytes = wideToUtf8(clean);
  GtkTextIter end;
  gtk_text_buffer_get_end_iter(buffer, &end);
  gtk_text_buffer_insert(buffer, &end, bytes.data(), static_cast<int>(bytes.size()));
  scrollLogToEnd(textView);
}

void trimLogView(GtkWidget* textView, std::size_t count) {
  if (count == 0) return;
  GtkTextBuffer* buffer = bufferOf(textView);
  GtkTextIter start, cut;
  gtk_text_buffer_get_start_iter(buffer, &start);
  gtk_text_buffer_get_iter_at_offset(buffer, &cut, count > INT_MAX ? INT_MAX : static_cast<int>(count));
  gtk_text_buffer_delete(buffer, &start, &cut);
}

void clearLogView(GtkWidget* textView) {
  gtk_text_buffer_set_text(bufferOf(textView), "", 0);
}

}  // namespace tarnwick
