#include "pipeline/job_files.h"

#include <filesystem>
#include <system_error>

#include "base/text.h"

namespace tarnwick {
namespace {

bool isSeparator(wchar_t c) {
  return c == L'/' || c == L'\\';
}

bool isDriveLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

std::wstring folderPartOf(std::wstring_view path) {
  std::size_t cut = path.find_last_of(L"/\\");
  if (cut == std::wstring_view::npos) return {};
  std::size_t end = cut;
  while (end > 0 && isSeparator(path[end - 1])) --end;
  if (end == 0) return std::wstring(path.substr(0, 1));
  if (end == 2 && path[1] == L':' && isDriveLetter(path[0])) return std::wstring(path.substr(0, 3));
  return std::wstring(path.substr(0, end));
}

void removeFileQuietly(std::wstring_view path) {
  std::error_code ignored;
  std::filesystem::path file = toPath(path);
  if (std::filesystem::symlink_status(file, ignored).type() == std::filesystem::file_type::directory) return;
  std::filesystem::remove(file, ignored);
}

bool moveFileReplacing(std::wstring_view source, std::wstring_view target) {
  std::error_code error;
  std::filesystem::rename(toPath(source), toPath(target), error);
  return !error;
}

}  // namespace tarnwick
