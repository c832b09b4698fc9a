// Which application is in front, from the window manager's hints on Xvfb
// (set here by hand: no window manager runs), and the service's write that
// depends on it.
#include "service/platform/gtk/ActiveWindow.h"

// Before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include <gdk/gdkx.h>

#include "DesktopTestSupport.h"
#include "service/Service.h"
#include "service/platform/Workspace.h"
#include "service/platform/gtk/GtkPasteboard.h"

namespace wendlock {
namespace {

using orvin::String;

GdkAtom atom(const char* name) {
  return gdk_atom_intern(name, FALSE);
}

// A toplevel window (never mapped) with the given hints; "" sets none.
std::shared_ptr<GdkWindow> topWindow(const std::string& wmClass, const std::string& title) {
  GdkWindowAttr attributes{};
  attributes.window_type = GDK_WINDOW_TOPLEVEL;
  attributes.wclass = GDK_INPUT_OUTPUT;
  attributes.width = attributes.height = 10;
  std::shared_ptr<GdkWindow> window(gdk_window_new(nullptr, &attributes, 0), gdk_window_destroy);
  // GDK names its toplevels after the program; these hints are the test's.
  for (const auto& [property, type, value] : {std::tuple{"WM_CLASS", "STRING", wmClass},
                                              std::tuple{"_NET_WM_NAME", "UTF8_STRING", title}}) {
    gdk_property_delete(window.get(), atom(property));
    if (value.empty()) continue;
    gdk_property_change(window.get(), atom(property), atom(type), 8, GDK_PROP_MODE_REPLACE,
                        reinterpret_cast<const guchar*>(value.data()),
                        static_cast<gint>(value.size()));
  }
  return window;
}

gulong xid(const std::shared_ptr<GdkWindow>& window) {
  return GDK_WINDOW_XID(window.get());
}

void setActiveWindow(std::optional<gulong> xid) {
  GdkWindow* root = gdk_get_default_root_window();
  if (!xid) {
    gdk_property_delete(root, atom("_NET_ACTIVE_WINDOW"));
    return;
  }
  gdk_property_change(root, atom("_NET_ACTIVE_WINDOW"), atom("WINDOW"), 32, GDK_PROP_MODE_REPLACE,
                      reinterpret_cast<const guchar*>(&*xid), 1);
}

std::optional<String> activeName() {
  const auto active = NSWorkspace::sharedWorkspace().activeApplication();
  const auto found = active.find("NSApplicationName");
  if (found == active.end()) return std::nullopt;
  return found->second;
}

TEST(ActiveWindow, NameFromTheWindowManagersHints) {
  REQUIRE_DISPLAY();
  const std::string mail("thunderbird\0Mail\0", 17);
  const auto withClass = topWindow(mail, "Inbox");
  const auto titled = topWindow("", "Notizen ✓");
  const auto bare = topWindow("only-instance", "");
  const gulong gone = xid(topWindow(mail, ""));
  struct Case {
    const char* name;
    std::optional<gulong> active;
    std::optional<String> expected;
  };
  const Case cases[] = {
      {"no window manager", std::nullopt, std::nullopt},
      {"WM_CLASS class part", xid(withClass), String(u"Mail")},
      {"title when there is no class", xid(titled), String(u"Notizen ✓")},
      {"instance only, no title", xid(bare), std::nullopt},
      {"no active window", 0ul, std::nullopt},
      {"a window that is gone", gone, std::nullopt},
  };
  for (const Case& c : cases) {
    setActiveWindow(c.active);
    EXPECT_EQ(activeName(), c.expected) << c.name;
  }
  setActiveWindow(std::nullopt);
}

TEST(ActiveWindow, WritingForMailAlsoFillsTheClipboard) {
  REQUIRE_DISPLAY();
  ASSERT_TRUE(installDesktopPasteboards());
  const auto before = desktoptest::startXclip("clipboard", "before");
  ASSERT_TRUE(before);
  struct Case {
    std::string wmClass;
    const char* clipboard;
  };
  const Case cases[] = {
      {std::string("firefox\0Firefox\0", 16), "before"},
      {std::string("thunderbird\0Mail\0", 17), "for Mail ✓"},
  };
  Service service;
  for (const Case& c : cases) {
    const auto front = topWindow(c.wmClass, "");
    setActiveWindow(xid(front));
    orvin::InMemoryPasteboard request(String(u"Request"));
    service.writeString(String(u"for Mail ✓"), request);
    EXPECT_EQ(request.stringForType(String(orvin::NSStringPboardType)), String(u"for Mail ✓"));
    EXPECT_EQ(desktoptest::readWithXclip("clipboard"), c.clipboard) << c.wmClass;
  }
  setActiveWindow(std::nullopt);
}

}  // namespace
}  // namespace wendlock
