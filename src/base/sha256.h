// SHA-256 written out here rather than taken from a crypto library: libcurl and its TLS libraries
// are loaded at run time only, and the Windows build must hash the same way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Streaming: feed any number of pieces with update, then read the digest once with hexDigest.
class Sha256 {
 public:
  Sha256();
  void update(const void* data, std::size_t size);
  void update(std::string_view data) { update(data.data(), data.size()); }
  // The digest as 64 lower-case hex digits. Finishes the hash; no update afterwards.
  [[nodiscard]] std::string hexDigest();

 private:
  void compressBlock(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t totalBytes_ = 0;
};

// The hex digest of the file's content, read in chunks; nullopt when it cannot be read.
[[nodiscard]] std::optional<std::string> sha256OfFile(const std::filesystem::path& path);

}  // namespace tarnwick
