#include "service/platform/gtk/ActiveWindow.h"

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <string>

#include "service/platform/gtk/GtkDisplay.h"

namespace wendlock {
namespace {

#ifdef GDK_WINDOWING_X11
// A property of `window` as bytes, when it has the wanted type and format.
bool readProperty(GdkWindow* window, const char* property, const char* type, int format,
                  std::string* out) {
  GdkAtom actualType = GDK_NONE;
  gint actualFormat = 0;
  gint length = 0;
  guchar* data = nullptr;
  const gboolean found =
      gdk_property_get(window, gdk_atom_intern(property, FALSE), gdk_atom_intern(type, FALSE), 0,
                       4096, FALSE, &actualType, &actualFormat, &length, &data);
  const bool ok = found && data != nullptr && length > 0 && actualFormat == format &&
                  actualType == gdk_atom_intern(type, FALSE);
  if (ok) out->assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  g_free(data);
  return ok;
}

orvin::String nameOfActiveWindow(GdkDisplay* display) {
  std::string active;
  if (!readProperty(gdk_get_default_root_window(), "_NET_ACTIVE_WINDOW", "WINDOW", 32, &active) ||
      active.size() < sizeof(gulong)) {
    return {};
  }
  // Format 32 arrives as C longs.
  gulong xid = 0;
  active.copy(reinterpret_cast<char*>(&xid), sizeof xid);
  if (xid == 0) return {};
  GdkWindow* window = gdk_x11_window_foreign_new_for_display(display, xid);
  if (window == nullptr) return {};  // a stale id: the window is gone

  orvin::String name;
  std::string wmClass;
  if (readProperty(window, "WM_CLASS", "STRING", 8, &wmClass)) {
    // "instance\0class\0": the class names the application.
    const std::size_t split = wmClass.find('\0');
    if (split != std::string::npos) {
      std::string part = wmClass.substr(split + 1);
      part = part.substr(0, part.find('\0'));
      name = orvin::String::withLatin1(part);
    }
  }
  std::string title;
  if (name.isEmpty() && readProperty(window, "_NET_WM_NAME", "UTF8_STRING", 8, &title)) {
    name = orvin::String::withUtf8(title);
  }
  g_object_unref(window);
  return name.isEmpty() ? orvin::String() : name;
}
#endif

}  // namespace

orvin::String activeWindowApplicationName() {
#ifdef GDK_WINDOWING_X11
  if (!ensureGtkDisplay()) return {};
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return {};
  // The window may vanish between the two reads; its errors are not ours.
  gdk_x11_display_error_trap_push(display);
  orvin::String name = nameOfActiveWindow(display);
  gdk_x11_display_error_trap_pop_ignored(display);
  return name;
#else
  return {};
#endif
}

}  // namespace wendlock
