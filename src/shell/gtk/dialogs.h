// The two dialogs of the window: the folder picker and the yes/no question. Both are modal to
// the window and answer later on the UI thread.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace tarnwick {

// `chosen` gets the folder's path, or is not called when the user cancels.
void pickFolder(GtkWindow* parent, const std::wstring& startFolder,
                std::function<void(const std::wstring& folder)> chosen);

// A warning with Yes and No; closing the dialog any other way counts as No.
void askYesNoQuestion(GtkWindow* parent, const std::wstring& title, const std::wstring& question,
                      std::function<void(bool yes)> answered);

}  // namespace tarnwick
