// What the desktop does for the window: opening folders and web addresses with the user's
// default handlers, showing a file in the file manager, the bell and notifications.
// UI thread; every failure is silent.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace tarnwick {

void openFolderOnDesktop(GtkWidget* window, const std::wstring& folder);
void openUrlOnDesktop(GtkWidget* window, const std::wstring& url);
// Asks the file manager (org.freedesktop.FileManager1.ShowItems) to show the file selected;
// opens the file's folder instead when no file manager answers.
void showFileOnDesktop(GtkWidget* window, const std::wstring& file);

// The display bell, unless the user turned the error bell off.
void ringBell(GtkWidget* window);

// A desktop notification, only while the window is not the active one; it is withdrawn once the
// window becomes active again.
void notifyUnlessActive(GtkWindow* window, const std::wstring& message);

}  // namespace tarnwick
