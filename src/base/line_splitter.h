// Cuts a child's output bytes into lines before any decoding, so a UTF-8 sequence split across
// two reads is only ever decoded whole.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tarnwick {

// CR or LF ends a line (a tool that redraws its line with CR yields one line per redraw); empty
// lines, such as the gap inside CR LF, are dropped. Linear in the bytes fed, also for very long
// lines: every byte is copied at most once into the pending tail.
class LineSplitter {
 public:
  // Calls onLine(std::string_view) for every complete non-empty line in [data, data + size).
  // The view is valid only during the call.
  template <class OnLine>
  void feed(const char* data, std::size_t size, OnLine&& onLine) {
    const char* end = data + size;
    const char* start = data;
    // memchr is vectorised; each kind of line end is searched again only once passed.
    const char* lf = find(start, end, '\n');
    const char* cr = find(start, end, '\r');
    while (lf != end || cr != end) {
      const char* p = lf < cr ? lf : cr;
      if (pending_.empty()) {
        if (p != start) onLine(std::string_view(start, static_cast<std::size_t>(p - start)));
      } else {
        pending_.append(start, p);
        onLine(std::string_view(pending_));
        pending_.clear();
      }
      start = p + 1;
      if (lf == p) lf = find(start, end, '\n');
      if (cr == p) cr = find(start, end, '\r');
    }
    pending_.append(start, end);
  }

  // The last line when the output did not end with a line end.
  template <class OnLine>
  void finish(OnLine&& onLine) {
    if (!pending_.empty()) onLine(std::string_view(pending_));
    pending_.clear();
  }

 private:
  static const char* find(const char* from, const char* end, char byte) {
    const void* hit = std::memchr(from, byte, static_cast<std::size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
  }

  std::string pending_;
};

// utf8ToWide(bytes) into `line`, reusing its storage. Output is mostly ASCII, which is widened
// directly; only the runs of other bytes go through utf8ToWide. Cutting at ASCII bytes never
// changes the result: an ASCII byte is never part of a sequence, nor between a surrogate pair.
void decodeLine(std::string_view bytes, std::wstring& line);

}  // namespace tarnwick
