// Stands in for Windows' tar.exe (bsdtar), which Wine does not have, for the setup tests. It reads
// zip archives with stored entries (stored_zip.h) and answers the three calls the setup makes the
// way bsdtar does:
//   tar -tf ARCHIVE            the entries' names, one a line
//   tar -tvf ARCHIVE           "<mode> <links> <owner> <group> <size> <date> <name>", a link's
//                              name followed by " -> <target>"
//   tar -xf ARCHIVE -C FOLDER  unpacks; like bsdtar refuses absolute names and ".." (a message,
//                              the other entries, then exit code 1); links are not unpacked
// A damaged or compressed archive ends with bsdtar's message and exit code 1.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;

struct Entry {
  std::string name, content;
  std::uint32_t mode = 0;
};

std::uint32_t read(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

[[noreturn]] void quit(const std::string& message) {
  std::fprintf(stdout, "tar: %s\n", message.c_str());
  std::exit(1);
}

std::vector<Entry> readZip(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) quit("Error opening archive: Failed to open '" + path.string() + "'");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t end = bytes.size() >= 22 ? bytes.size() - 22 : std::string::npos;
  if (end == std::string::npos || read(bytes, end, 4) != 0x06054b50)
    quit("Error opening archive: Unrecognized archive format");
  std::vector<Entry> entries;
  try {
    std::size_t at = read(bytes, end + 16, 4);
    for (std::uint32_t i = 0, count = read(bytes, end + 10, 2); i < count; ++i) {
      if (read(bytes, at, 4) != 0x02014b50) quit("Damaged archive");
      if (read(bytes, at + 10, 2) != 0) quit("Unsupported ZIP compression method");
      std::uint32_t size = read(bytes, at + 20, 4), nameSize = read(bytes, at + 28, 2);
      std::uint32_t local = read(bytes, at + 42, 4);
      Entry entry{bytes.substr(at + 46, nameSize), {}, read(bytes, at + 38, 4) >> 16};
      std::size_t data = local + 30 + read(bytes, local + 26, 2) + read(bytes, local + 28, 2);
      entry.content = bytes.substr(data, size);
      if (entry.content.size() != size) quit("Truncated ZIP file data");
      entries.push_back(entry);
      at += 46 + nameSize + read(bytes, at + 30, 2) + read(bytes, at + 32, 2);
    }
  } catch (const std::out_of_range&) {
    quit("Damaged archive");
  }
  return entries;
}

char kindOf(const Entry& e) {
  if ((e.mode & 0170000) == 0120000) return 'l';
  return (e.mode & 0170000) == 040000 || e.name.ends_with('/') ? 'd' : '-';
}

// bsdtar's refusals without -P.
std::string refusal(const std::string& name) {
  if (name.starts_with('/') || name.starts_with('\\') || (name.size() > 1 && name[1] == ':'))
    return "Path is absolute";
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != '/' && name[i] != '\\') continue;
    if (name.compare(start, i - start, "..") == 0 && i - start == 2) return "Path contains '..'";
    start = i + 1;
  }
  return {};
}

int extract(const std::vector<Entry>& entries, const fs::path& folder) {
  int status = 0;
  for (const Entry& e : entries) {
    std::string why = refusal(e.name);
    if (why.empty() && kindOf(e) == 'l') why = "Cannot create a link here";
    if (!why.empty()) {
      std::printf("tar: %s: %s\n", e.name.c_str(), why.c_str());
      status = 1;
      continue;
    }
    fs::path place = folder / fs::u8path(e.name);
    std::error_code ec;
    if (kindOf(e) == 'd') {
      fs::create_directories(place, ec);
      continue;
    }
    fs::create_directories(place.parent_path(), ec);
    std::ofstream out(place, std::ios::binary | std::ios::trunc);
    out << e.content;
    if (!out) {
      std::printf("tar: %s: Can't create\n", e.name.c_str());
      status = 1;
    }
  }
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() < 2) quit("Must specify one of -c, -r, -t, -u, -x");
  const std::vector<Entry> entries = readZip(fs::path(args[1]));
  if (args[0] == L"-tf" || args[0] == L"-tvf") {
    for (const Entry& e : entries) {
      if (args[0] == L"-tf") {
        std::printf("%s\n", e.name.c_str());
        continue;
      }
      const char kind = kindOf(e);
      std::printf("%crw%cr-%cr-%c  0 0      0      %8zu Jan  1  1980 %s%s%s\n", kind, "-x"[e.mode & 0100 ? 1 : 0],
                  "-x"[e.mode & 010 ? 1 : 0], "-x"[e.mode & 01 ? 1 : 0], kind == 'd' ? 0 : e.content.size(),
                  e.name.c_str(), kind == 'l' ? " -> " : "", kind == 'l' ? e.content.c_str() : "");
    }
    return 0;
  }
  if (args[0] == L"-xf" && args.size() == 4 && args[2] == L"-C") return extract(entries, fs::path(args[3]));
  quit("Option not supported by this stand-in");
}
