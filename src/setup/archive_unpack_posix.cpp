#include "setup/archive_unpack.h"

#include <memory>
#include <vector>

#include "base/job_control.h"
#include "base/text.h"
#include "setup/archive_library_posix.h"
#include "setup/file_system.h"
#include "setup/setup_overrides.h"

namespace tarnwick::setup {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t blockSize = 64 * 1024;

using ArchivePtr = std::unique_ptr<struct archive, decltype(ArchiveLibrary::read_free)>;

class Unpacker {
 public:
  Unpacker(const fs::path& archive, const fs::path& folder)
      : archivePath_(archive), root_(folder) {}

  UnpackResult run();

 private:
  bool unpackEntry(struct archive* reader, struct archive_entry* entry);
  bool prepareParent(const std::string& relative);
  bool clearPlace(const fs::path& place, bool forFolder);
  bool writeFile(struct archive* reader, const fs::path& place, mode_t mode);
  bool checkLinksStayInside();

  void fail(const std::wstring& what) { postUnpackError(archivePath_, what); }
  // libarchive's own reason, or `otherwise` when it gives none.
  void failReading(struct archive* reader, const char* otherwise) {
    const char* why = libarchive_.error_string(reader);
    fail(utf8ToWide(why ? why : otherwise) + L".");
  }
  void failEntry(const std::string& name, const std::wstring& why) {
    fail(refusedEntryText(name, why));
  }

  // Entries and bytes so far, against limits far above any real component: an archive that
  // unpacks without end (a "zip bomb") is refused before it fills the disk.
  bool withinLimits(std::uint64_t moreBytes);

  const ArchiveLibrary& libarchive_ = archiveLibrary();
  const UnpackLimits limits_ = unpackLimits();
  std::uint64_t entries_ = 0;
  std::uint64_t bytes_ = 0;
  fs::path archivePath_;
  fs::path root_;
  bool cancelled_ = false;
};

UnpackResult Unpacker::run() {
  if (!libarchive_.error.empty()) {
    fail(utf8ToWide(libarchive_.error) + L".");
    return UnpackResult::failed;
  }
  std::error_code ec;
  root_ = fs::canonical(root_, ec);  // links above the folder are the user's own, not the archive's
  if (ec) {
    fail(L"could not write into the staging folder.");
    return UnpackResult::failed;
  }
  ArchivePtr reader(libarchive_.read_new(), libarchive_.read_free);
  libarchive_.read_support_format_zip(reader.get());
  libarchive_.read_support_format_tar(reader.get());
  libarchive_.read_support_filter_xz(reader.get());
  libarchive_.read_support_filter_gzip(reader.get());
  if (libarchive_.read_open_filename(reader.get(), archivePath_.c_str(), blockSize) != ARCHIVE_OK) {
    failReading(reader.get(), "cannot open");
    return UnpackResult::failed;
  }
  for (;;) {
    if (cancelRequested.load()) return UnpackResult::cancelled;
    struct archive_entry* entry = nullptr;
    int status = libarchive_.read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) {
      failReading(reader.get(), "damaged archive");
      return UnpackResult::failed;
    }
    ++entries_;
    if (!withinLimits(0) || !unpackEntry(reader.get(), entry))
      return cancelled_ ? UnpackResult::cancelled : UnpackResult::failed;
  }
  return checkLinksStayInside() ? UnpackResult::unpacked : UnpackResult::failed;
}

bool Unpacker::unpackEntry(struct archive* reader, struct archive_entry* entry) {
  const char* rawName = libarchive_.entry_pathname(entry);
  const std::string name = rawName ? rawName : "";
  std::optional<std::string> relative = safeEntryPath(name);
  if (!relative) {
    if (!name.empty() && safeEntryPath(name + "/x") && libarchive_.entry_filetype(entry) == AE_IFDIR)
      return true;  // "./": the folder itself
    failEntry(name, L"it would land outside the folder");
    return false;
  }
  if (!prepareParent(*relative)) {
    failEntry(name, L"its folder is a link or a file");
    return false;
  }
  const fs::path place = root_ / *relative;

  if (const char* hardlink = libarchive_.entry_hardlink(entry)) {
    std::optional<std::string> source = safeEntryPath(hardlink);
    std::error_code ec;
    if (!source || !prepareParent(*source) || !fs::is_regular_file(fs::symlink_status(root_ / *source, ec))) {
      failEntry(name, L"it links to a file outside the folder");
      return false;
    }
    if (!clearPlace(place, false)) return false;
    fs::create_hard_link(root_ / *source, place, ec);
    if (ec) fail(L"could not write \"" + utf8ToWide(*relative) + L"\".");
    return !ec;
  }

  std::error_code ec;
  switch (libarchive_.entry_filetype(entry)) {
    case AE_IFDIR:
      if (!clearPlace(place, true)) return false;
      if (!fs::is_directory(fs::symlink_status(place, ec))) fs::create_directory(place, ec);
      if (ec) fail(L"could not write \"" + utf8ToWide(*relative) + L"\".");
      return !ec;
    case AE_IFLNK: {
      const char* target = libarchive_.entry_symlink(entry);
      if (!target || !linkStaysInside(*relative, target)) {
        failEntry(name, L"it links outside the folder");
        return false;
      }
      if (!clearPlace(place, false)) return false;
      fs::create_symlink(target, place, ec);
      if (ec) fail(L"could not write \"" + utf8ToWide(*relative) + L"\".");
      return !ec;
    }
    case AE_IFREG:
      if (!clearPlace(place, false)) return false;
      return writeFile(reader, place, libarchive_.entry_perm(entry));
    default:
      return true;  // devices, pipes and sockets have no place in a tool's folder
  }
}

// Creates the folders above `relative` as needed; refuses when one of them is a link (writing
// through it could land anywhere) or a file.
bool Unpacker::prepareParent(const std::string& relative) {
  fs::path current = root_;
  std::vector<std::string_view> parts = splitEntryPath(relative, false);
  parts.pop_back();
  for (std::string_view part : parts) {
    current /= std::string(part);
    std::error_code ec;
    fs::file_status status = fs::symlink_status(current, ec);
    if (status.type() == fs::file_type::not_found) {
      if (!fs::create_directory(current, ec) && ec) return false;
    } else if (status.type() != fs::file_type::directory) {
      return false;
    }
  }
  return true;
}

// Makes room for a new entry: a later entry of the same name replaces a file or link; a folder
// stays a folder.
bool Unpacker::clearPlace(const fs::path& place, bool forFolder) {
  std::error_code ec;
  fs::file_status status = fs::symlink_status(place, ec);
  if (status.type() == fs::file_type::not_found) return true;
  if (status.type() == fs::file_type::directory) {
    if (forFolder) return true;
    fail(L"refused entry \"" + fromPath(place.lexically_relative(root_)) +
         L"\" (a folder of that name exists).");
    return false;
  }
  fs::remove(place, ec);  // removes a link itself, never what it points to
  if (ec) fail(L"could not write \"" + fromPath(place.lexically_relative(root_)) + L"\".");
  return !ec;
}

bool Unpacker::writeFile(struct archive* reader, const fs::path& place, mode_t mode) {
  std::FILE* file = createNewFile(place);
  const std::wstring shown = fromPath(place.lexically_relative(root_));
  if (!file) {
    fail(L"could not write \"" + shown + L"\".");
    return false;
  }
  std::vector<char> buffer(blockSize);
  bool ok = true;
  for (;;) {
    if (cancelRequested.load()) {
      cancelled_ = true;
      ok = false;
      break;
    }
    // archive_read_data fills the holes of sparse entries with zeros.
    la_ssize_t n = libarchive_.read_data(reader, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      failReading(reader, "damaged archive");
      ok = false;
      break;
    }
    if (!withinLimits(static_cast<std::uint64_t>(n))) {
      ok = false;
      break;
    }
    if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(n), file) != static_cast<std::size_t>(n)) {
      fail(L"could not write \"" + shown + L"\".");
      ok = false;
      break;
    }
  }
  if (!syncAndClose(file) && ok) {
    fail(L"could not write \"" + shown + L"\".");
    ok = false;
  }
  // Executables keep their executable bits; nothing gets set-id bits or write access for others.
  if (ok && (mode & 0111)) ok = makeExecutable(place);
  return ok;
}

bool Unpacker::withinLimits(std::uint64_t moreBytes) {
  bytes_ += moreBytes;
  std::wstring breach = limitBreach(limits_, entries_, bytes_);
  if (!breach.empty()) fail(breach);
  return breach.empty();
}

// A link can be harmless as written and still resolve outside through another link ("a" -> "b/..",
// "c" -> "a/.."): check where every link really ends up once the whole tree is in place.
bool Unpacker::checkLinksStayInside() {
  std::error_code ec;
  fs::recursive_directory_iterator it(root_, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink(ec)) continue;
    // Resolve the link's own text: as far as the tree exists through every link on the way,
    // the rest (a dangling end) as written.
    std::error_code resolveError;
    fs::path target = fs::read_symlink(it->path(), resolveError);
    fs::path resolved;
    if (!resolveError)
      resolved = fs::weakly_canonical(it->path().parent_path() / target, resolveError).lexically_normal();
    fs::path inside = resolved.lexically_relative(root_);
    if (resolveError || inside.empty() || *inside.begin() == "..") {
      fail(L"refused link \"" + fromPath(it->path().lexically_relative(root_)) +
           L"\" (it leads outside the folder).");
      return false;
    }
  }
  if (ec) fail(L"could not read the staging folder.");
  return !ec;
}

}  // namespace

UnpackResult unpackArchive(const fs::path& archive, const fs::path& folder) {
  return Unpacker(archive, folder).run();
}

}  // namespace tarnwick::setup
