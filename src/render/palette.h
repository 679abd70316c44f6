// The colours of the dark theme, by role. Colours are 0xRRGGBB; alpha is given separately.
#pragma once

#include <cstdint>

namespace tarnwick::palette {

inline constexpr std::uint32_t windowBackground = 0x0B0D17;
inline constexpr std::uint32_t cardFill = 0x141727;
inline constexpr std::uint32_t fieldFill = 0x202332;
inline constexpr std::uint32_t logFill = 0x0F1220;
inline constexpr std::uint32_t accent = 0x7C5CFF;
inline constexpr std::uint32_t accentWarm = 0xFF4D6D;
inline constexpr std::uint32_t success = 0x2BD99A;
inline constexpr std::uint32_t accentText = 0xB9A8FF;
inline constexpr std::uint32_t errorText = 0xFFB3C0;
inline constexpr std::uint32_t textPrimary = 0xEEF0F7;
inline constexpr std::uint32_t textMuted = 0x9AA1BD;
inline constexpr std::uint32_t popupText = 0xC9CDE0;
inline constexpr std::uint32_t logText = 0xB4BAD2;
inline constexpr std::uint32_t windowBorder = 0x2A2D44;
inline constexpr std::uint32_t white = 0xFFFFFF;
inline constexpr std::uint32_t black = 0x000000;

}  // namespace tarnwick::palette
