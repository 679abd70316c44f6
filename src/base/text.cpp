#include "base/text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/unicode_tables.h"

namespace tarnwick {
namespace {

constexpr char32_t replacementChar = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes one UTF-8 sequence at `pos`, advancing it. Surrogates are returned as decoded so the
// caller can pair them; everything malformed yields U+FFFD and consumes one byte.
char32_t decodeOne(std::string_view s, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return replacementChar;
  }
  for (int i = 1; i <= extra; ++i) {
    if (pos + i >= s.size() || (byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return replacementChar;
    }
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF) {
    ++pos;
    return replacementChar;
  }
  pos += extra + 1;
  return cp;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Where wchar_t is a UTF-16 unit (Windows), code points above U+FFFF take a surrogate pair;
// where it holds code points (Linux), one unit.
constexpr bool wideIsUtf16 = sizeof(wchar_t) == 2;

void appendWide(std::wstring& out, char32_t c) {
  if (wideIsUtf16 && c >= 0x10000) {
    out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}

// The code point at `pos` of a wide string, advancing it; a well-formed surrogate pair counts as
// one code point in UTF-16, anything else is returned unit by unit.
char32_t nextCodePoint(std::wstring_view text, std::size_t& pos) {
  char32_t c = static_cast<char32_t>(text[pos++]);
  if (wideIsUtf16) {
    c &= 0xFFFF;
    if (isHighSurrogate(c) && pos < text.size()) {
      char32_t low = static_cast<char32_t>(text[pos]) & 0xFFFF;
      if (isLowSurrogate(low)) {
        ++pos;
        return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      }
    }
  }
  return c;
}

// Appends code points to a wide string, pairing surrogates on the way.
class WideBuilder {
 public:
  explicit WideBuilder(std::size_t reserve) { out_.reserve(reserve); }
  void push(char32_t c) {
    if (pendingHigh_) {
      char32_t high = *pendingHigh_;
      pendingHigh_.reset();
      if (isLowSurrogate(c)) {
        appendWide(out_, 0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00));
        return;
      }
      out_ += static_cast<wchar_t>(replacementChar);
    }
    if (isHighSurrogate(c)) {
      pendingHigh_ = c;
    } else if (isSurrogate(c)) {
      out_ += static_cast<wchar_t>(replacementChar);
    } else {
      appendWide(out_, c);
    }
  }
  std::wstring finish() {
    if (pendingHigh_) out_ += static_cast<wchar_t>(replacementChar);
    return std::move(out_);
  }

 private:
  std::wstring out_;
  std::optional<char32_t> pendingHigh_;
};

bool inRanges(const unicode::CodeRange* ranges, std::size_t count, char32_t c) {
  const unicode::CodeRange* end = ranges + count;
  const unicode::CodeRange* it =
      std::upper_bound(ranges, end, c, [](char32_t v, const unicode::CodeRange& r) { return v < r.first; });
  if (it == ranges) return false;
  --it;
  return c <= it->last;
}

bool isTrimmed(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

}  // namespace

std::wstring utf8ToWide(std::string_view bytes) {
  WideBuilder builder(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) builder.push(decodeOne(bytes, pos));
  return builder.finish();
}

std::string wideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t c = nextCodePoint(text, pos);
    if (isSurrogate(c) || c > 0x10FFFF) c = replacementChar;
    appendUtf8(out, c);
  }
  return out;
}

std::wstring joinSurrogates(std::wstring_view text) {
  WideBuilder builder(text.size());
  for (wchar_t w : text) builder.push(static_cast<char32_t>(w) & (wideIsUtf16 ? 0xFFFF : 0xFFFFFFFF));
  return builder.finish();
}

std::wstring trimText(std::wstring_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && isTrimmed(text[first])) ++first;
  while (last > first && isTrimmed(text[last - 1])) --last;
  return std::wstring(text.substr(first, last - first));
}

std::string trimText(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && isTrimmed(static_cast<wchar_t>(text[first]))) ++first;
  while (last > first && isTrimmed(static_cast<wchar_t>(text[last - 1]))) --last;
  return std::string(text.substr(first, last - first));
}

std::filesystem::path toPath(std::wstring_view text) {
  std::string utf8 = wideToUtf8(text);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::wstring fromPath(const std::filesystem::path& path) {
  std::u8string u8 = path.u8string();
  return utf8ToWide(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

std::wstring joinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring out(folder);
  if (!out.empty() && !isSeparator(out.back())) out += L'/';
  out += name;
  return out;
}

std::wstring fileNameOf(std::wstring_view path) {
  std::size_t cut = path.find_last_of(L"/\\");
  return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

std::wstring folderOf(std::wstring_view path) {
  std::size_t cut = path.find_last_of(L"/\\");
  return cut == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, cut));
}

// Skips leading blanks and reads an optional sign into `ascii`; answers the index after them.
static std::size_t readSign(std::wstring_view text, std::string& ascii) {
  std::size_t i = 0;
  while (i < text.size() && isTrimmed(text[i])) ++i;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
    if (text[i] == L'-') ascii += '-';
    ++i;
  }
  return i;
}

std::optional<double> parseDouble(std::wstring_view text) {
  std::string ascii;
  std::size_t i = readSign(text, ascii);
  bool digits = false, dot = false;
  for (; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      digits = true;
    } else if (c == L'.' && !dot) {
      dot = true;
    } else {
      break;
    }
    ascii += static_cast<char>(c);
  }
  if (!digits) return std::nullopt;
  double value = 0;
  auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::optional<long long> parseInteger(std::wstring_view text) {
  std::string ascii;
  std::size_t i = readSign(text, ascii);
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) ascii += static_cast<char>(text[i]);
  while (i < text.size() && isTrimmed(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  long long value = 0;
  auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec != std::errc() || ptr != ascii.data() + ascii.size()) return std::nullopt;
  return value;
}

std::string formatFixedUtf8(double value, int decimals) {
  char buffer[64];
  auto [ptr, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, std::max(0, decimals));
  if (ec != std::errc()) return "0";
  return std::string(buffer, ptr);
}

std::wstring formatFixed(double value, int decimals) { return utf8ToWide(formatFixedUtf8(value, decimals)); }

bool isLetterOrDigit(char32_t c) {
  return inRanges(unicode::letterOrDigitRanges, unicode::letterOrDigitRangesCount, c);
}

bool isStrongRightToLeft(char32_t c) {
  return inRanges(unicode::rightToLeftRanges, unicode::rightToLeftRangesCount, c);
}

bool isStrongLeftToRight(char32_t c) {
  return inRanges(unicode::leftToRightRanges, unicode::leftToRightRangesCount, c);
}

bool isRightToLeftText(std::wstring_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t c = nextCodePoint(text, pos);
    if (isStrongRightToLeft(c)) return true;
    if (isStrongLeftToRight(c)) return false;
  }
  return false;
}

std::wstring asciiLower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return out;
}

bool startsWith(std::wstring_view text, std::wstring_view prefix) { return text.starts_with(prefix); }
bool endsWith(std::wstring_view text, std::wstring_view suffix) { return text.ends_with(suffix); }

}  // namespace tarnwick
