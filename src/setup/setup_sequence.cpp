#include "setup/setup_sequence.h"

#include <string>

#include "base/channel.h"
#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "setup/archive_install.h"
#include "setup/component_builds.h"
#include "setup/setup_overrides.h"
#include "setup/tools_folder.h"

namespace tarnwick {
namespace {

void runSelfUpdate(const std::wstring& ytDlp) {
  const std::wstring updating = workerText(WorkerText::updatingYtDlp);
  postText(WM_APP_STATUS, updating);
  postText(WM_APP_LOG, updating);
  // A failed or impossible update never stops the setup: the exit code is ignored. yt-dlp checks
  // the hash of what "-U" fetches itself, so our checksum step is not repeated here.
  (void)runProcess(
      quoteArgument(ytDlp) + L" -U --no-colors", [](const std::wstring& line) { postText(WM_APP_LOG, line); },
      downloadProcessJob, true);
}

// The version a yt-dlp reports, or nullopt when it cannot say (not startable, no version line).
std::optional<YtDlpVersion> askVersion(const std::wstring& ytDlp) {
  std::optional<YtDlpVersion> version;
  int exitCode = runProcess(
      quoteArgument(ytDlp) + L" --version",
      [&](const std::wstring& line) {
        if (!version) version = parseYtDlpVersion(line);
      },
      downloadProcessJob, true);
  return exitCode == 0 ? version : std::nullopt;
}

// Whether the yt-dlp at `ytDlp` can drive our downloads; an older one (or one that cannot even
// tell its version) is not used.
bool isUsableYtDlp(const std::wstring& ytDlp) {
  std::optional<YtDlpVersion> version = askVersion(ytDlp);
  if (cancelRequested.load()) return true;  // the caller stops anyway; nothing to decide
  if (version && *version >= oldestUsableYtDlp) return true;
  postText(WM_APP_LOG, L"The yt-dlp at " + ytDlp + L" is too old to use.");
  return false;
}

// Tries the copies in the lookup's order. One too old is set aside, so that the jobs' lookups
// pass over it as well and run the copy this check accepted, or the one installed next.
bool ensureYtDlp(bool updateYtDlp) {
  const std::wstring fileName = setup::executableFileName(L"yt-dlp");
  for (std::wstring path = findTool(fileName); !path.empty(); path = findTool(fileName)) {
    if (updateYtDlp) runSelfUpdate(path);
    if (cancelRequested.load() || isUsableYtDlp(path)) return true;
    setToolAside(path);
  }
  return installYtDlp();
}

bool ensureArchiveComponent(const ArchiveComponent& component) {
  return !findTool(component.exeName).empty() || installFromZip(component);
}

int readNumber(std::wstring_view& text) {
  int value = 0, digits = 0;
  while (!text.empty() && text.front() >= L'0' && text.front() <= L'9' && digits < 9) {
    value = value * 10 + (text.front() - L'0');
    text.remove_prefix(1);
    ++digits;
  }
  return digits ? value : -1;
}

}  // namespace

std::optional<YtDlpVersion> parseYtDlpVersion(std::wstring_view text) {
  std::wstring trimmed = trimText(text);
  std::wstring_view rest = trimmed;
  YtDlpVersion v;
  v.year = readNumber(rest);
  if (v.year < 0 || rest.empty() || rest.front() != L'.') return std::nullopt;
  rest.remove_prefix(1);
  v.month = readNumber(rest);
  if (v.month < 0 || rest.empty() || rest.front() != L'.') return std::nullopt;
  rest.remove_prefix(1);
  v.day = readNumber(rest);
  if (v.day < 0 || (!rest.empty() && rest.front() != L'.')) return std::nullopt;
  return v;
}

bool setupComponents(bool updateYtDlp) {
  postText(WM_APP_STATUS, workerText(WorkerText::preparingComponents));
  postProgress(-1);
  if (!ensureYtDlp(updateYtDlp)) return false;
  if (cancelRequested.load()) return false;
  const setup::ComponentSources sources = setup::componentSources();
  // Each tool answers its version without touching the network.
  const ArchiveComponent deno{sources.deno, checksumSourceFor(Component::deno, sources.deno),
                              L"deno",      L"Deno",
                              setup::executableFileName(L"deno"),      L"--version"};
  if (!ensureArchiveComponent(deno)) return false;
  if (cancelRequested.load()) return false;
  const ArchiveComponent ffmpeg{sources.ffmpeg, checksumSourceFor(Component::ffmpeg, sources.ffmpeg),
                                L"ffmpeg",      L"ffmpeg",
                                setup::executableFileName(L"ffmpeg"),      L"-version"};
  if (!ensureArchiveComponent(ffmpeg)) return false;
  return !cancelRequested.load();
}

}  // namespace tarnwick
