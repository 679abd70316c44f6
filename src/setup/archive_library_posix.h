// libarchive for unpacking the tools, loaded on the first unpack rather than at start-up (see
// base/shared_library.h). Only its headers are used at build time. Internal to the setup layer.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <string>

namespace tarnwick::setup {

// The soname of the libarchive the program is built against (Debian's libarchive13).
inline constexpr const char* archiveFileName = "libarchive.so.13";

// The functions Tarnwick calls, named as in libarchive without the "archive_" prefix.
struct ArchiveLibrary {
  std::string error;  // empty when the library and every function below were found
  decltype(&archive_read_new) read_new = nullptr;
  decltype(&archive_read_free) read_free = nullptr;
  decltype(&archive_read_support_format_zip) read_support_format_zip = nullptr;
  decltype(&archive_read_support_format_tar) read_support_format_tar = nullptr;
  decltype(&archive_read_support_filter_xz) read_support_filter_xz = nullptr;
  decltype(&archive_read_support_filter_gzip) read_support_filter_gzip = nullptr;
  decltype(&archive_read_open_filename) read_open_filename = nullptr;
  decltype(&archive_read_next_header) read_next_header = nullptr;
  decltype(&archive_read_data) read_data = nullptr;
  decltype(&archive_error_string) error_string = nullptr;
  decltype(&archive_entry_pathname) entry_pathname = nullptr;
  decltype(&archive_entry_filetype) entry_filetype = nullptr;
  decltype(&archive_entry_hardlink) entry_hardlink = nullptr;
  decltype(&archive_entry_symlink) entry_symlink = nullptr;
  decltype(&archive_entry_perm) entry_perm = nullptr;
};

// Any thread. The first call loads libarchive; every call answers that same table. When `error`
// is set, no function may be called.
[[nodiscard]] const ArchiveLibrary& archiveLibrary();

}  // namespace tarnwick::setup
