// Which application is in front, from the window manager's hints on Xvfb
// (set here by hand: no window manager runs), and the service's write that
// depends on it.
#include "service/platform/gtk/ActiveWindow.h"

// Before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

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

// A toplevel window (never mapped) with the given hints.
class TopWindow {
 public:
  TopWindow(const std::string* wmClass, const char* title) {
    GdkWindowAttr attributes{};
    attributes.window_type = GDK_WINDOW_TOPLEVEL;
    attributes.wclass = GDK_INPUT_OUTPUT;
    attributes.width = attributes.height = 10;
    window_ = gdk_window_new(nullptr, &attributes, 0);
    // GDK names its toplevels after the program; these hints are the test's.
    gdk_property_delete(window_, atom("WM_CLASS"));
    gdk_property_delete(window_, atom("_NET_WM_NAME"));
    if (wmClass != nullptr) set("WM_CLASS", "STRING", *wmClass);
    if (title != nullptr) set("_NET_WM_NAME", "UTF8_STRING", title);
  }
  ~TopWindow() { gdk_window_destroy(window_); }
  TopWindow(const TopWindow&) = delete;
  TopWindow& operator=(const TopWindow&) = delete;
  [[nodiscard]] gulong xid() const { return GDK_WINDOW_XID(window_); }

 private:
  void set(const char* property, const char* type, const std::string& value) {
    gdk_property_change(window_, atom(property), atom(type), 8, GDK_PROP_MODE_REPLACE,
                        reinterpret_cast<const guchar*>(value.data()),
                        static_cast<gint>(value.size()));
  }
  GdkWindow* window_;
};

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
  const std::string noClass("only-instance", 13);
  TopWindow withClass(&mail, "Inbox");
  TopWindow titled(nullptr, "Notizen ✓");
  TopWindow bare(&noClass, nullptr);
  gulong gone = 0;
  {
    TopWindow closed(&mail, nullptr);
    gone = closed.xid();
  }
  struct Case {
    const char* name;
    std::optional<gulong> active;
    std::optional<String> expected;
  };
  const Case cases[] = {
      {"no window manager", std::nullopt, std::nullopt},
      {"WM_CLASS class part", withClass.xid(), String(u"Mail")},
      {"title when there is no class", titled.xid(), String(u"Notizen ✓")},
      {"instance only, no title", bare.xid(), std::nullopt},
      {"no active window", 0ul, std::nullopt},
      {"a window that is gone", gone, std::nullopt},
      {"an id no client has", 0x1ffffffeul, std::nullopt},
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
  desktoptest::Files files;
  const auto before = desktoptest::startXclip("clipboard", "before", files);
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
    TopWindow front(&c.wmClass, nullptr);
    setActiveWindow(front.xid());
    orvin::InMemoryPasteboard request(String(u"Request"));
    service.writeString(String(u"for Mail ✓"), request);
    EXPECT_EQ(request.stringForType(String(orvin::NSStringPboardType)), String(u"for Mail ✓"));
    EXPECT_EQ(desktoptest::readWithXclip("clipboard"), c.clipboard) << c.wmClass;
  }
  setActiveWindow(std::nullopt);
}

}  // namespace
}  // namespace wendlock
