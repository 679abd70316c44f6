// Helpers shared by the setup tests on every platform: a channel tap that sees each message on the
// posting thread, a picture of a folder tree and checksum lines.
#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/channel.h"
#include "base/sha256.h"
#include "base/text.h"
#include "channel_recorder.h"

namespace tarnwick::test {

// Opens the channel and records every message as it is posted. `onPost` runs on the posting
// thread right after the post, so a test can react at an exact point (a cancel during a transfer).
class ChannelTap {
 public:
  using OnPost = std::function<void(const Recorded&)>;
  explicit ChannelTap(OnPost onPost = {}) : onPost_(std::move(onPost)) {
    openChannel([this] { drain(); });
  }
  ~ChannelTap() { shutdownChannel(); }
  ChannelTap(const ChannelTap&) = delete;
  ChannelTap& operator=(const ChannelTap&) = delete;

  std::vector<Recorded> messages() {
    std::lock_guard guard(lock_);
    takeQueued();
    std::vector<Recorded> copy;
    for (const Recorded& r : recorded_) copy.push_back(Recorded{r.id, r.wParam, r.lParam, r.text, {}});
    return copy;
  }
  std::vector<std::wstring> texts(std::uint32_t id) {
    std::vector<std::wstring> out;
    for (const Recorded& r : messages())
      if (r.id == id) out.push_back(r.text);
    return out;
  }
  // The log lines that report an error, as UTF-8.
  std::vector<std::string> errorLines() {
    std::vector<std::string> out;
    for (const std::wstring& line : texts(WM_APP_LOG))
      if (line.starts_with(L"Error")) out.push_back(wideToUtf8(line));
    return out;
  }
  void clear() {
    std::lock_guard guard(lock_);
    takeQueued();
    recorded_.clear();
  }

 private:
  void drain() {
    std::lock_guard guard(lock_);
    takeQueued();
  }
  void takeQueued() {
    for (Message& m : takePostedMessages()) {
      Recorded r{m.id, m.wParam, m.lParam, std::wstring(m.text()), {}};
      if (onPost_) onPost_(r);
      recorded_.push_back(std::move(r));
    }
  }
  std::mutex lock_;
  OnPost onPost_;
  std::vector<Recorded> recorded_;
};

// Every path below `root`, relative, sorted: a picture of a tree to compare.
inline std::vector<std::string> treeOf(const std::filesystem::path& root) {
  std::vector<std::string> paths;
  if (!std::filesystem::exists(root)) return paths;
  for (auto it = std::filesystem::recursive_directory_iterator(root);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    paths.push_back(it->path().lexically_relative(root).string() + (it->is_symlink() ? "@" : ""));
  std::sort(paths.begin(), paths.end());
  return paths;
}

// One line of a checksum list, as sha256sum writes it.
inline std::string sha256sumLine(std::string_view body, std::string_view fileName) {
  Sha256 hash;
  hash.update(body);
  return hash.hexDigest() + "  " + std::string(fileName) + "\n";
}

}  // namespace tarnwick::test
