#include "shell/gtk/dialogs.h"

#include <memory>

#include "base/text.h"

namespace tarnwick {
namespace {

struct FolderRequest {
  std::function<void(const std::wstring&)> chosen;
};

void folderAnswered(GtkNativeDialog* dialog, int response, gpointer data) {
  std::unique_ptr<FolderRequest> request(static_cast<FolderRequest*>(data));
  std::wstring folder;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (GFile* file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog))) {
      if (char* path = g_file_get_path(file)) {
        folder = utf8ToWide(path);
        g_free(path);
      }
      g_object_unref(file);
    }
  }
  gtk_native_dialog_destroy(dialog);
  g_object_unref(dialog);
  if (!folder.empty() && request->chosen) request->chosen(folder);
}

struct QuestionRequest {
  std::function<void(bool)> answered;
};

struct Answer {
  std::function<void(bool)> answered;
  bool yes;
};

gboolean deliverAnswer(gpointer data) {
  std::unique_ptr<Answer> answer(static_cast<Answer*>(data));
  if (answer->answered) answer->answered(answer->yes);
  return G_SOURCE_REMOVE;
}

// The answer goes out from the main loop once the dialog is gone: a Yes closes the parent
// window, which must not happen while the dialog still hangs on it.
void questionAnswered(GtkDialog* dialog, int response, gpointer data) {
  std::unique_ptr<QuestionRequest> request(static_cast<QuestionRequest*>(data));
  gtk_window_set_transient_for(GTK_WINDOW(dialog), nullptr);
  gtk_window_destroy(GTK_WINDOW(dialog));
  g_idle_add(deliverAnswer, new Answer{std::move(request->answered), response == GTK_RESPONSE_YES});
}

// The dialogs follow the window's dark look. Asked for only when the first dialog opens: the
// window styles itself, and switching the theme at start-up would parse it twice.
void preferDarkTheme() {
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", TRUE, nullptr);
}

}  // namespace

void pickFolder(GtkWindow* parent, const std::wstring& startFolder,
                std::function<void(const std::wstring& folder)> chosen) {
  GtkFileChooserNative* dialog =
      gtk_file_chooser_native_new(nullptr, parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, nullptr, nullptr);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
  std::string start = wideToUtf8(trimText(startFolder));
  if (!start.empty() && g_file_test(start.c_str(), G_FILE_TEST_IS_DIR)) {
    GFile* folder = g_file_new_for_path(start.c_str());
    (void)gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder, nullptr);
    g_object_unref(folder);
  }
  g_signal_connect(dialog, "response", G_CALLBACK(folderAnswered), new FolderRequest{std::move(chosen)});
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(dialog));
}

void askYesNoQuestion(GtkWindow* parent, const std::wstring& title, const std::wstring& question,
                      std::function<void(bool yes)> answered) {
  preferDarkTheme();
  std::string text = wideToUtf8(question);
  GtkWidget* dialog = gtk_message_dialog_new(
      parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_WARNING, GTK_BUTTONS_YES_NO, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), wideToUtf8(title).c_str());
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_NO);
  g_signal_connect(dialog, "response", G_CALLBACK(questionAnswered),
                   new QuestionRequest{std::move(answered)});
  gtk_window_present(GTK_WINDOW(dialog));
}

}  // namespace tarnwick
