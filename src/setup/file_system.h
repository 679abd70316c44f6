// Small file-system operations the setup needs beyond std::filesystem, one implementation per
// platform (file_system_posix.cpp, file_system_win32.cpp). Internal to the setup layer.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::setup {

// The per-user data folder ($XDG_DATA_HOME, else ~/.local/share; on Windows %LOCALAPPDATA%, else
// the LocalAppData known folder); empty when none is known.
[[nodiscard]] std::filesystem::path userDataFolder();
// The folder of the running executable; empty when it cannot be read.
[[nodiscard]] std::filesystem::path runningProgramFolder();
// The absolute folders of PATH, in order (empty and relative entries are left out: a desktop
// program's working folder is no place to pick tools from).
[[nodiscard]] std::vector<std::filesystem::path> searchPathFolders();

// A regular file (links followed) that this user may execute (on Windows: any regular file).
[[nodiscard]] bool isExecutableFile(const std::filesystem::path& path);
// Gives the file the executable bits (rwxr-xr-x) while keeping it private to nobody; on Windows,
// where no such bit exists, nothing to do.
[[nodiscard]] bool makeExecutable(const std::filesystem::path& path);

// Creates a new file for writing; fails when anything (a link included) is already there.
[[nodiscard]] std::FILE* createNewFile(const std::filesystem::path& path);
// Flushes stdio's buffer and the file's data to the disk, then closes it. Answers whether every
// step succeeded; the file is closed in any case.
[[nodiscard]] bool syncAndClose(std::FILE* file);

// Renames the file `from` over `to`, replacing a file there in one step.
[[nodiscard]] bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts the folder `from` in place of `to` in one step: an existing `to` is swapped out whole and
// comes back at `from` (the caller removes it). Answers false and changes nothing on failure.
[[nodiscard]] bool replaceFolder(const std::filesystem::path& from, const std::filesystem::path& to);
// replaceFolder where the system cannot swap two folders: the old one is moved aside first and put
// back if the new one cannot take its place, so that some complete installation is always there.
[[nodiscard]] bool replaceFolderInSteps(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace tarnwick::setup
