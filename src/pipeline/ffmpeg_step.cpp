#include "pipeline/ffmpeg_step.h"

#include <filesystem>

#include "base/channel.h"
#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "pipeline/job_files.h"

namespace tarnwick {
namespace {

std::wstring replaceBitrate(std::wstring args, std::uint32_t bitrate) {
  const std::wstring br = std::to_wstring(bitrate) + L"k";
  for (std::size_t at = args.find(L"{br}"); at != std::wstring::npos; at = args.find(L"{br}", at + br.size()))
    args.replace(at, 4, br);
  return args;
}

// Reads "%d" as scanf does: blanks skipped, an optional sign, at least one digit.
bool readInteger(std::wstring_view& text, long long& value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  std::size_t digits = i;
  value = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') value = value * 10 + (text[i++] - L'0');
  if (i == digits) return false;
  if (negative) value = -value;
  text.remove_prefix(i);
  return true;
}

// "hours:minutes:seconds" with a fractional second; nullopt unless all three are there.
std::optional<double> readClock(std::wstring_view text) {
  long long hours = 0, minutes = 0;
  if (!readInteger(text, hours) || !startsWith(text, L":")) return std::nullopt;
  text.remove_prefix(1);
  if (!readInteger(text, minutes) || !startsWith(text, L":")) return std::nullopt;
  text.remove_prefix(1);
  std::optional<double> seconds = parseDouble(text);
  if (!seconds) return std::nullopt;
  return static_cast<double>(hours) * 3600 + static_cast<double>(minutes) * 60 + *seconds;
}

}  // namespace

std::wstring ffmpegCommand(const FfmpegConversion& conversion, const std::wstring& args) {
  std::wstring command = quoteArgument(conversion.ffmpegPath);
  command += L" -hide_banner -nostdin -y -progress pipe:1 -nostats -i ";
  command += quoteArgument(conversion.source);
  command += L" ";
  command += conversion.map;
  command += L" -map_metadata 0 ";
  command += replaceBitrate(args, conversion.bitrate);
  command += L" ";
  command += quoteArgument(conversionOutputFor(conversion.target, conversion.marker));
  return command;
}

std::wstring conversionOutputFor(std::wstring_view target, std::wstring_view marker) {
  std::filesystem::path output = toPath(target);
  std::filesystem::path extension = output.extension();
  output.replace_extension();
  output += toPath(marker);
  output += ".conv";
  output += extension;
  return fromPath(output);
}

void handleFfmpegLine(const std::wstring& line, double& duration) {
  std::size_t at = line.find(L"Duration: ");
  if (at != std::wstring::npos) {
    if (std::optional<double> seconds = readClock(std::wstring_view(line).substr(at + 10))) {
      duration = *seconds;
      return;
    }
  }
  if (!startsWith(line, L"out_time_us=") && !startsWith(line, L"out_time_ms=")) {
    if (line.size() >= 4 && line.find(L"rror") != std::wstring::npos) postText(WM_APP_LOG, line);
    return;
  }
  // Both keys carry microseconds (ffmpeg's "ms" key is misnamed).
  double microseconds = parseDouble(std::wstring_view(line).substr(12)).value_or(0.0);
  if (duration > 0) postProgress(microseconds / 1000000.0 / duration * 100.0);
}

bool runFfmpeg(const FfmpegConversion& conversion, const std::wstring& status,
               const std::optional<std::wstring>& args) {
  if (!args || cancelRequested.load()) return false;
  postText(WM_APP_STATUS, status);
  postProgress(-1);
  double duration = 0;
  int exitCode = runProcess(
      ffmpegCommand(conversion, *args),
      [&duration](const std::wstring& line) { handleFfmpegLine(line, duration); }, downloadProcessJob, true);
  return exitCode == 0 && !cancelRequested.load();
}

bool convertWithFfmpeg(const FfmpegConversion& conversion) {
  std::wstring status = workerText(WorkerText::convertingTo, conversion.label);
  if (conversion.count > 1)
    status +=
        L"  (" + std::to_wstring(conversion.index + 1) + L"/" + std::to_wstring(conversion.count) + L")";
  postText(WM_APP_LOG, L"[ffmpeg] " + status);
  bool ok = runFfmpeg(conversion, status, conversion.firstArgs);
  if (!ok) ok = runFfmpeg(conversion, status, conversion.secondArgs);
  const std::wstring output = conversionOutputFor(conversion.target, conversion.marker);
  if (ok && moveFileReplacing(output, conversion.target)) {
    removeFileQuietly(conversion.source);
    return true;
  }
  // What a failed run wrote is no result; the target, if the user had one, was never opened.
  removeFileQuietly(output);
  if (ok) postText(WM_APP_LOG, L"Error: could not rename " + output);
  if (cancelRequested.load()) {
    removeFileQuietly(conversion.source);
    return false;
  }
  postText(WM_APP_LOG, L"Error: conversion to " + conversion.label + L" failed: " + conversion.source);
  return false;
}

}  // namespace tarnwick
