#include "base/state_folder.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>

namespace tarnwick {

std::filesystem::path stateFolder() {
  // The variable first, as XDG_STATE_HOME on Linux: it is what the known folder is for a normal
  // logon, and what a test or a relocated profile sets. A relative value is ignored.
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && *local) {
    std::filesystem::path folder(local);
    if (folder.is_absolute()) return folder / L"Tarnwick" / L"state";
  }
  wchar_t* known = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &known)))
    folder = std::filesystem::path(known) / L"Tarnwick" / L"state";
  CoTaskMemFree(known);
  return folder;
}

}  // namespace tarnwick
