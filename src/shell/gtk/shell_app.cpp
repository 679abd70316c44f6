#include "shell/gtk/shell_app.h"

#include <gtk/gtk.h>

#include <memory>

#include "shell/gtk/channel_pump.h"
#include "shell/gtk/main_window.h"

namespace tarnwick {
namespace {

struct Shell {
  std::unique_ptr<MainWindow> window;
  bool failed = false;
};

// First start: build the window. Any later start (here or from a second process, which GLib
// forwards over the session bus) only brings the window forward.
void onActivate(GApplication* app, gpointer data) {
  auto* shell = static_cast<Shell*>(data);
  if (!shell->window) {
    shell->window = std::make_unique<MainWindow>();
    if (!shell->window->create(GTK_APPLICATION(app))) {
      shell->window.reset();
      shell->failed = true;
      g_application_quit(app);
      return;
    }
  }
  shell->window->present();
}

void onShutdown(GApplication*, gpointer data) {
  auto* shell = static_cast<Shell*>(data);
  stopChannelPump();
  shell->window.reset();
}

}  // namespace

int runApplication(const char* programName) {
  Shell shell;
  GtkApplication* app = gtk_application_new(applicationId, G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(app, "activate", G_CALLBACK(onActivate), &shell);
  g_signal_connect(app, "shutdown", G_CALLBACK(onShutdown), &shell);
  char* args[] = {const_cast<char*>(programName), nullptr};
  int status = g_application_run(G_APPLICATION(app), 1, args);
  g_object_unref(app);
  return shell.failed ? 1 : status;
}

}  // namespace tarnwick
