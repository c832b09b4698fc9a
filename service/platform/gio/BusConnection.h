// A D-Bus connection of the process's own, made without letting a bus that
// accepts and then says nothing hold the run loop: the handshake runs on
// GIO's worker thread while the run loop waits for it, within a bound. Used
// by the backends that talk D-Bus (BlueZ on the system bus, the desktop's
// notifications on the session bus); header only, so each module holds it.
#pragma once

#include <gio/gio.h>

#include <string>
#include <utility>

#include "service/platform/RunLoop.h"

namespace wendlock {

namespace busdetail {
// A bus connection being made; whoever ends last (the waiting caller, or
// the callback of a handshake the caller gave up on) frees it.
struct PendingConnection {
  GCancellable* cancellable = nullptr;
  GDBusConnection* connection = nullptr;
  GError* error = nullptr;
  bool done = false;
  bool abandoned = false;

  void release() {
    if (connection != nullptr) g_object_unref(connection);
    g_clear_error(&error);
    g_clear_object(&cancellable);
    delete this;
  }
};

inline void onBusConnected(GObject* /*source*/, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<PendingConnection*>(data);
  pending->connection = g_dbus_connection_new_for_address_finish(result, &pending->error);
  pending->done = true;
  if (pending->abandoned) pending->release();
}
}  // namespace busdetail

// A new connection to the message bus at `address` (closing it does not end
// the process), or nullptr with the reason in *reason when the bus cannot be
// reached or does not finish the handshake within `timeoutMilliseconds`.
//   GDBusConnection* c = connectToBus(address, 3000, &why);
[[nodiscard]] inline GDBusConnection* connectToBus(const char* address, int timeoutMilliseconds,
                                                   std::string* reason) {
  using busdetail::PendingConnection;
  GMainContext* context = RunLoop::currentRunLoop().context();
  auto* pending = new PendingConnection;
  pending->cancellable = g_cancellable_new();
  g_main_context_push_thread_default(context);
  g_dbus_connection_new_for_address(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, pending->cancellable, busdetail::onBusConnected, pending);
  g_main_context_pop_thread_default(context);
  const bool answered = RunLoop::currentRunLoop().runUntilOnSystemClock(
      [pending] { return pending->done; }, timeoutMilliseconds / 1000.0);
  if (!answered) {
    // The callback frees what is left once the cancelled handshake ends.
    g_cancellable_cancel(pending->cancellable);
    pending->abandoned = true;
    *reason = "the bus does not answer";
    return nullptr;
  }
  GDBusConnection* connection = std::exchange(pending->connection, nullptr);
  if (connection == nullptr) {
    *reason = std::string("the bus is not reachable: ") +
              (pending->error != nullptr ? pending->error->message : "no connection");
  } else {
    g_dbus_connection_set_exit_on_close(connection, FALSE);
  }
  pending->release();
  return connection;
}

}  // namespace wendlock
