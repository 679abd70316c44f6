#include "lookup/json_reading.h"

#include "base/text.h"

namespace tarnwick {
namespace {

int hexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Up to four hex digits, stopping at the first other character; no digit gives 0.
unsigned readHexUnit(std::wstring_view digits) {
  unsigned value = 0;
  for (wchar_t c : digits) {
    int v = hexValue(c);
    if (v < 0) break;
    value = value * 16 + static_cast<unsigned>(v);
  }
  return value & 0xFFFF;
}

bool isSurrogateUnit(unsigned unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}

wchar_t unescaped(wchar_t e) {
  switch (e) {
    case L'b':
      return L'\b';
    case L'f':
      return L'\f';
    case L'n':
      return L'\n';
    case L'r':
      return L'\r';
    case L't':
      return L'\t';
    default:
      return e;  // quote, backslash, slash and anything else stand for themselves
  }
}

}  // namespace

bool jsonReadString(std::wstring_view text, std::size_t& pos, std::wstring& out) {
  if (pos >= text.size() || text[pos] != L'"') return false;
  out.clear();
  bool sawSurrogate = false;
  // \u escapes carry UTF-16 code units; wide strings here hold code points, so pairs are
  // joined once the literal has been read.
  const auto finish = [&](bool result) {
    if (sawSurrogate) out = joinSurrogates(out);
    return result;
  };
  if (++pos >= text.size()) return finish(false);
  for (;;) {
    wchar_t c = text[pos];
    if (c == L'"') {
      ++pos;
      return finish(true);
    }
    if (c != L'\\') {
      out += c;
      if (++pos >= text.size()) return finish(false);
      continue;
    }
    std::size_t backslash = pos;
    if (++pos >= text.size()) return finish(false);
    wchar_t e = text[pos];
    if (e == L'u') {
      if (backslash + 5 >= text.size()) return finish(false);
      unsigned unit = readHexUnit(text.substr(pos + 1, 4));
      sawSurrogate = sawSurrogate || isSurrogateUnit(unit);
      out += static_cast<wchar_t>(unit);
      pos += 4;  // rests on the last hex digit
    } else {
      out += unescaped(e);
    }
    if (++pos >= text.size()) return finish(false);
  }
}

bool jsonGetString(std::wstring_view json, std::wstring_view key, std::wstring& out) {
  std::wstring needle;
  needle.reserve(key.size() + 2);
  needle += L'"';
  needle += key;
  needle += L'"';
  std::size_t at = json.find(needle);
  if (at == std::wstring_view::npos) return false;
  std::size_t colon = json.find(L':', at);
  if (colon == std::wstring_view::npos) return false;
  std::size_t value = json.find_first_not_of(L" \t\r\n", colon + 1);
  if (value == std::wstring_view::npos) return false;
  return jsonReadString(json, value, out);
}

}  // namespace tarnwick
