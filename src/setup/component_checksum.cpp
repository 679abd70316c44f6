#include "setup/component_checksum.h"

#include <vector>

#include "base/channel.h"
#include "base/job_control.h"
#include "base/text.h"
#include "setup/file_download.h"

namespace tarnwick {
namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isSha256Token(std::string_view token) {
  if (token.size() != 64) return false;
  for (char c : token)
    if (!isHexDigit(c)) return false;
  return true;
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string_view> splitAtBlanks(std::string_view line) {
  std::vector<std::string_view> tokens;
  constexpr std::string_view blanks = " \t\r";
  for (std::size_t start = line.find_first_not_of(blanks); start != std::string_view::npos;) {
    std::size_t end = line.find_first_of(blanks, start);
    tokens.push_back(line.substr(start, end - start));
    start = end == std::string_view::npos ? end : line.find_first_not_of(blanks, end);
  }
  return tokens;
}

// "name", "*name" (sha256sum's binary mode) or a path ending in it, either separator.
bool namesFile(std::string_view token, std::string_view fileName) {
  if (token.starts_with('*')) token.remove_prefix(1);
  if (token == fileName) return true;
  if (token.size() <= fileName.size() || !token.ends_with(fileName)) return false;
  char before = token[token.size() - fileName.size() - 1];
  return before == '/' || before == '\\';
}

}  // namespace

ChecksumSource checksumSourceFor(Component component, const std::wstring& componentUrl) {
  switch (component) {
    case Component::ytDlp:
      return {folderOf(componentUrl) + L"/SHA2-256SUMS", false};
    case Component::deno:
      return {componentUrl + L".sha256sum", true};
    case Component::ffmpeg:
      return {folderOf(componentUrl) + L"/checksums.sha256", false};
  }
  return {};
}

std::optional<std::string> findPublishedSha256(std::string_view list, std::string_view fileName,
                                               bool singleFile) {
  std::vector<std::string_view> hashes;
  while (!list.empty()) {
    std::size_t newline = list.find('\n');
    std::vector<std::string_view> tokens = splitAtBlanks(list.substr(0, newline));
    list = newline == std::string_view::npos ? std::string_view() : list.substr(newline + 1);
    std::optional<std::string_view> hash;
    bool named = false;
    for (std::string_view token : tokens) {
      if (isSha256Token(token))
        hash = token;
      else
        named = named || namesFile(token, fileName);
    }
    if (!hash) continue;
    if (named) return lowerAscii(*hash);
    hashes.push_back(*hash);
  }
  if (singleFile && hashes.size() == 1) return lowerAscii(hashes.front());
  return std::nullopt;
}

std::optional<std::string> fetchPublishedSha256(const std::wstring& componentUrl,
                                                const ChecksumSource& source,
                                                const std::wstring& displayName) {
  std::string list;
  std::wstring reason = downloadSmallFile(source.url, list);
  if (!reason.empty()) {
    if (!cancelRequested.load())
      postText(WM_APP_LOG, L"Error: the checksum list of " + displayName + L" could not be downloaded (" +
                               reason + L").");
    return std::nullopt;
  }
  const std::wstring fileName = fileNameOf(componentUrl);
  std::optional<std::string> hash = findPublishedSha256(list, wideToUtf8(fileName), source.singleFile);
  if (!hash)
    postText(WM_APP_LOG,
             L"Error: the checksum list of " + displayName + L" holds no checksum for " + fileName + L".");
  return hash;
}

}  // namespace tarnwick
