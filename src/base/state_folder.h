// Where Tarnwick keeps what it must remember across a crash but the user never edits: on Linux
// $XDG_STATE_HOME/Tarnwick (default ~/.local/state/Tarnwick).
#pragma once

#include <filesystem>

namespace tarnwick {

// Empty when neither the state folder nor the home folder is known. Not created here.
[[nodiscard]] std::filesystem::path stateFolder();

}  // namespace tarnwick
