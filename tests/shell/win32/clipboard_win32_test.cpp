// The clipboard's text as the link box gets it: Unicode text, text an older program put there as
// ANSI (Windows converts it), and nothing when there is no text.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "shell/win32/desktop.h"

namespace tarnwick::win32 {
namespace {

enum class Put { nothing, unicode, ansi, privateFormat };

// Replaces the clipboard's content; the clipboard owns `bytes`' copy afterwards.
bool putOnClipboard(HWND owner, Put what, const void* bytes, std::size_t size) {
  if (!OpenClipboard(owner)) return false;
  bool ok = EmptyClipboard() != FALSE;
  if (ok && what != Put::nothing) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    ok = block != nullptr;
    if (ok) {
      std::memcpy(GlobalLock(block), bytes, size);
      GlobalUnlock(block);
      UINT format = what == Put::unicode ? CF_UNICODETEXT
                    : what == Put::ansi  ? CF_TEXT
                                         : RegisterClipboardFormatW(L"Tarnwick.TestFormat");
      ok = SetClipboardData(format, block) != nullptr;
      if (!ok) GlobalFree(block);
    }
  }
  CloseClipboard();
  return ok;
}

TEST(Clipboard, ReadsTextAndAnswersNothingWithoutText) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  const std::wstring link = L"https://example.test/watch?v=a1 \u00fc\u4e2d\U0001F600";
  const char ansi[] = "plain words";
  const unsigned char picture[] = {1, 2, 3, 4};
  struct Row {
    const char* name;
    Put put;
    const void* bytes;
    std::size_t size;
    std::optional<std::wstring> expected;
  };
  const Row rows[] = {
      {"unicode text", Put::unicode, link.c_str(), (link.size() + 1) * sizeof(wchar_t), link},
      {"empty text is still text", Put::unicode, L"", sizeof(wchar_t), std::wstring()},
      {"ansi text", Put::ansi, ansi, sizeof ansi, std::wstring(L"plain words")},
      {"empty clipboard", Put::nothing, nullptr, 0, std::nullopt},
      {"only a private format", Put::privateFormat, picture, sizeof picture, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(putOnClipboard(owner, row.put, row.bytes, row.size));
    bool answered = false;
    std::optional<std::wstring> got;
    readClipboardText(owner, [&](std::optional<std::wstring> text) {
      answered = true;
      got = std::move(text);
    });
    EXPECT_TRUE(answered);
    EXPECT_EQ(got, row.expected);
    // Closed again after reading: another program can take it.
    EXPECT_TRUE(OpenClipboard(owner));
    CloseClipboard();
  }
  DestroyWindow(owner);
}

}  // namespace
}  // namespace tarnwick::win32
