// Where Tarnwick keeps what it must remember across a crash but the user never edits: on Linux
// $XDG_STATE_HOME/Tarnwick (default ~/.local/state/Tarnwick); on Windows %LOCALAPPDATA%\Tarnwick\state
// (default: the LocalAppData known folder), beside the tools folder.
#pragma once

#include <filesystem>

namespace tarnwick {

// Empty when no such folder is known. Not created here.
[[nodiscard]] std::filesystem::path stateFolder();

}  // namespace tarnwick
