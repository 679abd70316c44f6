#include "shell/gtk/desktop.h"

#include "base/text.h"

namespace tarnwick {
namespace {

constexpr const char* notificationId = "tarnwick-attention";

void launchUri(GtkWidget* window, const std::string& uri) {
  GdkAppLaunchContext* context = gdk_display_get_app_launch_context(gtk_widget_get_display(window));
  g_app_info_launch_default_for_uri_async(
      uri.c_str(), G_APP_LAUNCH_CONTEXT(context), nullptr,
      [](GObject*, GAsyncResult* result, gpointer) {
        (void)g_app_info_launch_default_for_uri_finish(result, nullptr);
      },
      nullptr);
  g_object_unref(context);
}

std::string fileUri(const std::wstring& path) {
  std::string local = wideToUtf8(path);
  GFile* file = g_file_new_for_path(local.c_str());
  char* uri = g_file_get_uri(file);
  std::string out = uri ? uri : "";
  g_free(uri);
  g_object_unref(file);
  return out;
}

struct ShowRequest {
  GtkWidget* window;  // held with a reference until the answer
  std::wstring file;
};

void showItemsAnswered(GObject* source, GAsyncResult* result, gpointer data) {
  auto* request = static_cast<ShowRequest*>(data);
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply) {
    g_variant_unref(reply);
  } else {
    g_clear_error(&error);
    openFolderOnDesktop(request->window, folderOf(request->file));
  }
  g_object_unref(request->window);
  delete request;
}

void withdrawOnActivation(GtkWindow* window, GParamSpec*, gpointer) {
  if (!gtk_window_is_active(window)) return;
  if (GtkApplication* app = gtk_window_get_application(window)) {
    g_application_withdraw_notification(G_APPLICATION(app), notificationId);
  }
}

}  // namespace

void openFolderOnDesktop(GtkWidget* window, const std::wstring& folder) {
  if (folder.empty()) return;
  launchUri(window, fileUri(folder));
}

void openUrlOnDesktop(GtkWidget* window, const std::wstring& url) {
  if (url.empty()) return;
  launchUri(window, wideToUtf8(url));
}

void showFileOnDesktop(GtkWidget* window, const std::wstring& file) {
  GDBusConnection* bus = g_application_get_dbus_connection(G_APPLICATION(g_application_get_default()));
  if (!bus) {
    openFolderOnDesktop(window, folderOf(file));
    return;
  }
  GVariantBuilder uris;
  g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
  g_variant_builder_add(&uris, "s", fileUri(file).c_str());
  auto* request = new ShowRequest{GTK_WIDGET(g_object_ref(window)), file};
  g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                         "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(ass)", &uris, ""),
                         nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, showItemsAnswered, request);
}

void ringBell(GtkWidget* window) {
  gtk_widget_error_bell(window);
}

void notifyUnlessActive(GtkWindow* window, const std::wstring& message) {
  GtkApplication* app = gtk_window_get_application(window);
  if (!app || gtk_window_is_active(window)) return;
  GNotification* notification = g_notification_new("Tarnwick");
  g_notification_set_body(notification, wideToUtf8(message).c_str());
  g_application_send_notification(G_APPLICATION(app), notificationId, notification);
  g_object_unref(notification);
  // Connected once per window; the handler only withdraws.
  if (!g_object_get_data(G_OBJECT(window), notificationId)) {
    g_object_set_data(G_OBJECT(window), notificationId, GINT_TO_POINTER(1));
    g_signal_connect(window, "notify::is-active", G_CALLBACK(withdrawOnActivation), nullptr);
  }
}

}  // namespace tarnwick
