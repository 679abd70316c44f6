// The log panel's text: lines separated by "\r\n", capped in length, kept here so that the
// shell's text view only mirrors it.
//
// The view follows through LogObserver and never re-reads the whole text: an append hands over
// just the new piece, a trim says how many characters went from the front. UI thread only;
// workers reach the log through WM_APP_LOG.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

// Told about every change, right after it happened, on the UI thread.
class LogObserver {
 public:
  virtual ~LogObserver() = default;
  // `text` went to the end of the log (the line with its separator and direction marks).
  virtual void logAppended(std::wstring_view text) = 0;
  // The first `count` characters of the text went away (characters as text() counts them:
  // code points on Linux, the same units a GtkTextBuffer's offsets count).
  virtual void logTrimmed(std::size_t count) = 0;
  // The log is empty again.
  virtual void logCleared() = 0;
};

class LogModel {
 public:
  // The cap in UTF-16 units, the units the Windows build's EDIT control counts; once the log is
  // longer, its first half goes before the next line.
  static constexpr std::size_t capUnits = 2'000'000;

  // Adds one line at the end: after "\r\n" unless the log is empty, wrapped in U+202B … U+202C
  // when its first strongly directional character is right-to-left.
  void appendLogLine(std::wstring_view line);
  // Empties the log; the next line starts without a separator.
  void clear();

  [[nodiscard]] const std::wstring& text() const { return text_; }
  // Length in UTF-16 units (a character beyond U+FFFF counts two).
  [[nodiscard]] std::size_t lengthUnits() const { return units_; }

  // At most one observer; null to detach. The model does not own it.
  void setObserver(LogObserver* observer) { observer_ = observer; }

 private:
  void dropFirstHalf();

  std::wstring text_;
  std::size_t units_ = 0;
  LogObserver* observer_ = nullptr;
};

}  // namespace tarnwick
