#include "service/platform/gtk/DesktopNotification.h"

#include <gio/gio.h>

#include <cstdlib>

#include "service/platform/gio/BusConnection.h"
#include "support/Log.h"

namespace wendlock {
namespace {

// The session bus's address, without GIO's X11 autolaunch, which would
// start a bus of its own just to find nobody on it.
std::string sessionBusAddress() {
  if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS"); named != nullptr && *named) {
    return named;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return "";
  const std::string socket = std::string(runtime) + "/bus";
  if (!g_file_test(socket.c_str(), G_FILE_TEST_EXISTS)) return "";
  gchar* escaped = g_dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + escaped;
  g_free(escaped);
  return address;
}

}  // namespace

bool sendDesktopNotification(const std::string& summary) {
  const std::string address = sessionBusAddress();
  if (address.empty()) return false;
  std::string why;
  GDBusConnection* bus = connectToBus(address.c_str(), kNotifyTimeoutMilliseconds, &why);
  if (bus == nullptr) {
    orvin::NSLog(u"Notification: %@", {orvin::String::withUtf8(why)});
    return false;
  }
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("wendlock"));
  gchar* valid = g_utf8_make_valid(summary.c_str(), -1);
  GError* error = nullptr;
  // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
      "org.freedesktop.Notifications", "Notify",
      g_variant_new("(susssasa{sv}i)", "Wendlock", 0u, "wendlock", valid, "", nullptr, &hints, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kNotifyTimeoutMilliseconds, nullptr, &error);
  g_free(valid);
  if (reply != nullptr) g_variant_unref(reply);
  // A desktop without the service is normal: nothing to say.
  g_clear_error(&error);
  g_dbus_connection_flush_sync(bus, nullptr, nullptr);
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
  g_object_unref(bus);
  return reply != nullptr;
}

}  // namespace wendlock
