#include "base/shared_library.h"

#include <windows.h>

#include "base/text.h"

namespace tarnwick {
namespace {

// The system's text for `error`, in the style of dlerror: "<file>: <reason>".
std::string systemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? trimText(std::wstring_view(text, length)) : std::wstring();
  if (text) LocalFree(text);
  std::string out = "error " + std::to_string(error);
  return message.empty() ? out : wideToUtf8(message) + " (" + out + ")";
}

}  // namespace

SharedLibrary::SharedLibrary(std::string label, std::string fileName) : label_(std::move(label)) {
  const std::string file = fileToLoad(fileName);
  // Only the system folder and the program's own are searched, never the current folder, so a
  // file dropped into a download folder cannot stand in for a system library.
  handle_ = LoadLibraryExW(utf8ToWide(file).c_str(), nullptr,
                           LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!handle_) error_ = label_ + " could not be loaded: " + file + ": " + systemMessage(GetLastError());
}

void* SharedLibrary::symbol(const char* name) {
  if (!handle_) return nullptr;
  FARPROC address = GetProcAddress(static_cast<HMODULE>(handle_), name);
  if (!address && error_.empty()) error_ = label_ + " lacks " + name + ": " + systemMessage(GetLastError());
  return reinterpret_cast<void*>(address);
}

}  // namespace tarnwick
