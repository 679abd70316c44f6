// Reads the lines yt-dlp prints with a "--print" template of the shape
// plain|plain|...|JSON string|JSON string. Pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Splits `line` into `plainCount` plain fields (`fields` is cleared first), then one JSON string
// `first`, a "|", and `last`. `last` is the only field allowed not to be a JSON string: then it is
// the raw rest of the line, or empty when that rest is exactly "NA" or "null". False when the
// line has another shape (too few "|", a plain field where a JSON string must be).
[[nodiscard]] bool splitPrintedLine(std::wstring_view line, std::size_t plainCount,
                                    std::vector<std::wstring>& fields, std::wstring& first,
                                    std::wstring& last);

// The number at the start of a plain field (leading white space allowed, "." as the decimal
// point whatever the locale, reading stops at the first unusable character), or -1 for an empty
// field, "NA", "None" or a field that does not start with a number.
[[nodiscard]] double parseNumber(std::wstring_view field);

// Truncation toward zero that never overflows: NaN gives -1, values beyond the range are clamped.
[[nodiscard]] std::int64_t truncateToInt64(double value);
[[nodiscard]] std::int32_t truncateToInt32(double value);

}  // namespace tarnwick
