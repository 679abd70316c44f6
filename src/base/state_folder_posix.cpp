#include "base/state_folder.h"

#include <cstdlib>

namespace tarnwick {

std::filesystem::path stateFolder() {
  // The base-directory rules ignore a relative value.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
    return std::filesystem::path(state) / "Tarnwick";
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return std::filesystem::path(home) / ".local" / "state" / "Tarnwick";
  return {};
}

}  // namespace tarnwick
