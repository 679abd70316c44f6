#include "setup/archive_library_posix.h"

#include "base/shared_library.h"

namespace tarnwick::setup {
namespace {

ArchiveLibrary loadArchive() {
  SharedLibrary library("libarchive", archiveFileName);
  ArchiveLibrary archive;
#define TARNWICK_BIND(name) library.bind(archive.name, "archive_" #name)
  TARNWICK_BIND(read_new);
  TARNWICK_BIND(read_free);
  TARNWICK_BIND(read_support_format_zip);
  TARNWICK_BIND(read_support_format_tar);
  TARNWICK_BIND(read_support_filter_xz);
  TARNWICK_BIND(read_support_filter_gzip);
  TARNWICK_BIND(read_open_filename);
  TARNWICK_BIND(read_next_header);
  TARNWICK_BIND(read_data);
  TARNWICK_BIND(error_string);
  TARNWICK_BIND(entry_pathname);
  TARNWICK_BIND(entry_filetype);
  TARNWICK_BIND(entry_hardlink);
  TARNWICK_BIND(entry_symlink);
  TARNWICK_BIND(entry_perm);
#undef TARNWICK_BIND
  archive.error = library.error();
  return archive;
}

}  // namespace

const ArchiveLibrary& archiveLibrary() {
  static const ArchiveLibrary archive = loadArchive();
  return archive;
}

}  // namespace tarnwick::setup
