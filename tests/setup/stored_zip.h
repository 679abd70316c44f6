// Zip archives with stored (uncompressed) entries, written byte by byte, so that tests can make
// hostile names and links without an archive library. Unix modes go into the external attributes,
// as Info-ZIP writes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::test {

struct ZipEntry {
  std::string name;     // as stored: not cleaned up
  std::string content;  // a file's bytes, or a link's target
  std::uint32_t mode = 0100644;
};

inline ZipEntry zipFile(std::string name, std::string content) { return {std::move(name), std::move(content)}; }
inline ZipEntry zipFolder(std::string name) { return {std::move(name), {}, 040755}; }
inline ZipEntry zipLink(std::string name, std::string target) { return {std::move(name), std::move(target), 0120777}; }

inline std::uint32_t crc32Of(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline std::string makeStoredZip(const std::vector<ZipEntry>& entries) {
  std::string out, directory;
  auto put = [](std::string& to, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) to += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  for (const ZipEntry& e : entries) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    const std::uint32_t crc = crc32Of(e.content), size = static_cast<std::uint32_t>(e.content.size());
    const auto nameSize = static_cast<std::uint32_t>(e.name.size());
    // The fields both headers share: version needed, flags, method, time, date, CRC, sizes.
    std::string common;
    put(common, 10, 2), put(common, 0, 2), put(common, 0, 2), put(common, 0, 2), put(common, 0x21, 2);
    put(common, crc, 4), put(common, size, 4), put(common, size, 4), put(common, nameSize, 2), put(common, 0, 2);
    put(out, 0x04034b50, 4);
    out += common + e.name + e.content;
    put(directory, 0x02014b50, 4);
    put(directory, (3u << 8) | 20u, 2);  // made on Unix, so the modes count
    directory += common;
    put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 2);  // comment, disk, internal
    put(directory, (e.mode << 16) | ((e.mode & 040000) ? 0x10u : 0u), 4);
    put(directory, offset, 4);
    directory += e.name;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += directory;
  put(out, 0x06054b50, 4), put(out, 0, 2), put(out, 0, 2);
  put(out, static_cast<std::uint32_t>(entries.size()), 2), put(out, static_cast<std::uint32_t>(entries.size()), 2);
  put(out, static_cast<std::uint32_t>(directory.size()), 4), put(out, directoryOffset, 4), put(out, 0, 2);
  return out;
}

}  // namespace tarnwick::test
