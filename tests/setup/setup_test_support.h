// Helpers shared by the POSIX setup tests: archives built in memory with libarchive and a port
// nobody listens on (the portable ones are in setup_test_common.h).
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "setup_test_common.h"

namespace tarnwick::test {

struct ArchiveEntry {
  enum Kind { file, folder, symlink, hardlink };
  std::string path;
  Kind kind = file;
  std::string content;  // file content, or the link's target
  int mode = 0644;
};

inline ArchiveEntry fileEntry(std::string path, std::string content, int mode = 0644) {
  return {std::move(path), ArchiveEntry::file, std::move(content), mode};
}
inline ArchiveEntry folderEntry(std::string path) {
  return {std::move(path), ArchiveEntry::folder, {}, 0755};
}
inline ArchiveEntry linkEntry(std::string path, std::string target) {
  return {std::move(path), ArchiveEntry::symlink, std::move(target), 0777};
}
inline ArchiveEntry hardlinkEntry(std::string path, std::string target) {
  return {std::move(path), ArchiveEntry::hardlink, std::move(target), 0644};
}

enum class ArchiveFormat { zip, tarXz };

// The bytes of an archive holding `entries` exactly as given (names are not cleaned up, so
// hostile names can be made).
inline std::string makeArchive(ArchiveFormat format, const std::vector<ArchiveEntry>& entries) {
  struct archive* writer = archive_write_new();
  if (format == ArchiveFormat::zip) {
    archive_write_set_format_zip(writer);
  } else {
    archive_write_set_format_pax_restricted(writer);
    archive_write_add_filter_xz(writer);
  }
  archive_write_set_bytes_in_last_block(writer, 1);  // no zero padding after the data
  std::string bytes;
  auto onWrite = [](struct archive*, void* user, const void* data, size_t size) -> la_ssize_t {
    static_cast<std::string*>(user)->append(static_cast<const char*>(data), size);
    return static_cast<la_ssize_t>(size);
  };
  if (archive_write_open2(writer, &bytes, nullptr, onWrite, nullptr, nullptr) != ARCHIVE_OK)
    throw std::runtime_error("cannot open the archive writer");
  for (const ArchiveEntry& e : entries) {
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, e.path.c_str());
    archive_entry_set_perm(entry, static_cast<mode_t>(e.mode));
    archive_entry_set_mtime(entry, 1700000000, 0);
    switch (e.kind) {
      case ArchiveEntry::file:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_size(entry, static_cast<la_int64_t>(e.content.size()));
        break;
      case ArchiveEntry::folder:
        archive_entry_set_filetype(entry, AE_IFDIR);
        break;
      case ArchiveEntry::symlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_symlink(entry, e.content.c_str());
        break;
      case ArchiveEntry::hardlink:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_hardlink(entry, e.content.c_str());
        break;
    }
    if (archive_write_header(writer, entry) != ARCHIVE_OK)
      throw std::runtime_error(std::string("archive entry: ") + archive_error_string(writer));
    if (e.kind == ArchiveEntry::file && !e.content.empty())
      archive_write_data(writer, e.content.data(), e.content.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return bytes;
}

// A loopback port bound but not listening: connecting to it is refused at once.
class RefusingPort {
 public:
  RefusingPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("cannot reserve a port");
    port_ = ntohs(address.sin_port);
  }
  ~RefusingPort() {
    for (int filler : fillers_)
      if (filler >= 0) ::close(filler);
    ::close(fd_);
  }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  [[nodiscard]] int port() const { return port_; }
  // Accepts connections into the backlog but never answers them.
  void listenSilently() { ::listen(fd_, 8); }
  // Listens with a full accept queue: the kernel drops further connection attempts, so a client
  // waits for its connection until its own time-out.
  void listenFull() {
    ::listen(fd_, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    for (int& filler : fillers_) {
      filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  int fillers_[3] = {-1, -1, -1};
};

}  // namespace tarnwick::test
