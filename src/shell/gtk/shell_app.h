// The program's GTK side: one GtkApplication per user session.
#pragma once

namespace tarnwick {

// Application id; also the name of the desktop file and the icon.
inline constexpr const char* applicationId = "app.tarnwick.Tarnwick";

// Runs Tarnwick until its window has closed. A second start hands over to the first instance,
// which presents its window, and returns 0. The command line is not read.
[[nodiscard]] int runApplication(const char* programName);

}  // namespace tarnwick
