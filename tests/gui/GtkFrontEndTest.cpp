// The GTK front end's dialogs on Xvfb (no window manager), driven with
// xdotool as a user would while the front end's call runs.
#include "service/platform/gtk/GtkFrontEnd.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "DesktopTestSupport.h"
#include "ScriptedObexServer.h"
#include "service/Wendlock.h"
#include "service/platform/Application.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/gtk/DesktopNotification.h"

// Last: its macros (None, Status, Bool) would rewrite the headers above.
#include <gdk/gdkx.h>

namespace wendlock {
namespace {

using desktoptest::Child;
// What a dialog shows, read from its widget tree: "title", "text",
// "buttons", "sensitive", "default", "focus", "rows", "selected",
// "searching", "xid", and "@LABEL" for where a click on a button lands on
// the screen ("X,Y"). Lists are joined with " | ".
using Shown = std::map<std::string, std::string>;

struct Look {
  GtkWidget* top;
  Shown shown = {{"focus", "none"}, {"searching", "0"}};

  void add(const std::string& key, const std::string& value) {
    std::string& list = shown[key];
    list += (list.empty() ? "" : " | ") + value;
  }
};

// Rows as "NAME, TOOLTIP"; icons as "ICON" or "ICON+paired".
void lookAtList(GtkTreeView* view, Look& look) {
  if (gtk_widget_has_focus(GTK_WIDGET(view))) look.shown["focus"] = "list";
  look.shown["rows"] = "";
  look.shown["icons"] = "";
  look.shown["selected"] = "-1";
  GtkTreeModel* model = gtk_tree_view_get_model(view);
  GtkTreeIter it;
  int row = 0;
  for (bool ok = gtk_tree_model_get_iter_first(model, &it); ok;
       ok = gtk_tree_model_iter_next(model, &it), ++row) {
    gchar *icon = nullptr, *name = nullptr, *paired = nullptr, *tooltip = nullptr;
    gtk_tree_model_get(model, &it, 0, &icon, 1, &name, 3, &paired, 4, &tooltip, -1);
    look.add("rows", std::string(name) + ", " + tooltip);
    look.add("icons", std::string(icon) + (*paired != '\0' ? "+paired" : ""));
    for (gchar* c : {icon, name, paired, tooltip}) g_free(c);
    if (gtk_tree_selection_iter_is_selected(gtk_tree_view_get_selection(view), &it)) {
      look.shown["selected"] = std::to_string(row);
    }
  }
}

void lookAt(GtkWidget* w, gpointer data) {
  Look& look = *static_cast<Look*>(data);
  if (!gtk_widget_is_visible(w)) return;
  if (GTK_IS_BUTTON(w)) {
    const char* raw = gtk_button_get_label(GTK_BUTTON(w));
    if (raw == nullptr) return;  // a column header
    std::string label = raw;
    std::erase(label, '_');  // the mnemonic
    look.add("buttons", label);
    if (gtk_widget_is_sensitive(w)) look.add("sensitive", label);
    if (gtk_widget_has_default(w)) look.shown["default"] = label;
    if (gtk_widget_has_focus(w)) look.shown["focus"] = label;
    int x = 0, y = 0, ox = 0, oy = 0;
    gtk_widget_translate_coordinates(w, look.top, gtk_widget_get_allocated_width(w) / 2,
                                     gtk_widget_get_allocated_height(w) / 2, &x, &y);
    gdk_window_get_origin(gtk_widget_get_window(look.top), &ox, &oy);
    look.shown["@" + label] = std::to_string(ox + x) + "," + std::to_string(oy + y);
    return;
  }
  if (GTK_IS_LABEL(w) && *gtk_label_get_text(GTK_LABEL(w)) != '\0') {
    look.add("text", gtk_label_get_text(GTK_LABEL(w)));
  }
  if (GTK_IS_SPINNER(w)) {
    gboolean active = FALSE;
    g_object_get(w, "active", &active, nullptr);
    look.shown["searching"] = active ? "1" : "0";
  }
  if (GTK_IS_TREE_VIEW(w)) lookAtList(GTK_TREE_VIEW(w), look);
  if (GTK_IS_CONTAINER(w)) gtk_container_forall(GTK_CONTAINER(w), lookAt, data);
}

// The dialog on the screen; empty while there is none.
Shown shownDialog() {
  Shown shown;
  GList* windows = gtk_window_list_toplevels();
  for (GList* l = windows; l != nullptr; l = l->next) {
    Look look{GTK_WIDGET(l->data)};
    if (!GTK_IS_DIALOG(look.top) || !gtk_widget_get_mapped(look.top)) continue;
    look.shown["title"] = gtk_window_get_title(GTK_WINDOW(look.top));
    look.shown["xid"] = std::to_string(GDK_WINDOW_XID(gtk_widget_get_window(look.top)));
    lookAt(look.top, &look);
    shown = look.shown;
  }
  g_list_free(windows);
  return shown;
}

void run(const std::vector<std::string>& argv) {
  const auto tool = Child::start(argv);
  ASSERT_TRUE(tool);
  EXPECT_EQ(tool->waitForExit(), 0) << argv[0] << ": " << tool->output();
}

// The window manager's close request, which xdotool cannot send.
void requestClose(unsigned long window) {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = gdk_x11_get_xatom_by_name("WM_PROTOCOLS");
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(gdk_x11_get_xatom_by_name("WM_DELETE_WINDOW"));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &e);
  XFlush(display);
}

gboolean closeShown(gpointer) {
  const Shown shown = shownDialog();
  if (shown.contains("xid")) requestClose(std::stoul(shown.at("xid")));
  return G_SOURCE_CONTINUE;
}

// A device list that the test edits while the chooser shows it.
struct LiveSource : DeviceSource {
  bool start(std::function<void()>, std::string*) override { return true; }
  void stop() override { searching = false; }
  [[nodiscard]] std::vector<DeviceEntry> entries() const override { return devices; }
  [[nodiscard]] bool isSearching() const override { return searching; }
  [[nodiscard]] bool isPoweredOff() const override { return off; }
  [[nodiscard]] bool canSearch() const override { return searchable; }
  void searchAgain() override {
    ++searches;
    searching = true;
  }
  std::vector<DeviceEntry> devices;
  bool searching = true;
  bool off = false;
  bool searchable = false;
  int searches = 0;
};

DeviceEntry device(const std::string& name, const std::string& address, bool paired,
                   const std::string& icon = "") {
  return {name, address, paired, *ServiceRecord::parse("bt:" + address), icon};
}
const DeviceEntry kPixel = device("Pixel 7", "F0:5C:77:12:34:56", true, "phone");
const DeviceEntry kRadio = device("Kitchen radio", "00:1A:7D:DA:71:13", false);

std::string rowsOf(const std::vector<DeviceEntry>& devices) {
  std::string rows;
  for (const DeviceEntry& d : devices) {
    rows += (rows.empty() ? "" : " | ") + d.name + ", " + d.address + (d.paired ? " · Paired" : "");
  }
  return "rows=" + rows;
}

class GtkFrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DISPLAY();
    front_ = makeGtkFrontEnd();
    ASSERT_TRUE(front_);
    front_->activate();
  }

  // Calls `show`, which runs a dialog, with `user` at the dialog meanwhile.
  void withUser(std::function<void()> user, const std::function<void()>& show) {
    user_ = std::move(user);
    g_idle_add(
        [](gpointer self) {
          auto* test = static_cast<GtkFrontEndTest*>(self);
          test->user_();
          // A user who gave up on a failure left the dialog open.
          test->guard_ = g_timeout_add_seconds(static_cast<guint>(desktoptest::kPatience),
                                               closeShown, nullptr);
          return G_SOURCE_REMOVE;
        },
        this);
    show();
    if (guard_ != 0) g_source_remove(guard_);
    guard_ = 0;
  }
  // The dialog once it shows all of `want` ("KEY=VALUE").
  static Shown waitFor(const std::vector<std::string>& want) {
    Shown wanted, shown;
    for (const std::string& w : want) wanted[w.substr(0, w.find('='))] = w.substr(w.find('=') + 1);
    const bool shows =
        desktoptest::runUntil([&] { return std::ranges::includes(shown = shownDialog(), wanted); });
    EXPECT_TRUE(shows) << "want " << ::testing::PrintToString(wanted) << "\nshown "
                       << ::testing::PrintToString(shown);
    return shown;
  }
  // The user's actions, separated by ";": "key:NAME ...", "click:BUTTON",
  // "close".
  static void act(const std::string& actions, const Shown& dialog) {
    ASSERT_TRUE(dialog.contains("xid"));
    const std::string xid = dialog.at("xid");
    std::stringstream list(actions);
    for (std::string action; std::getline(list, action, ';');) {
      const std::string how = action.substr(0, action.find(':'));
      const std::string what = action.substr(action.find(':') + 1);
      if (how == "key") {
        std::vector<std::string> argv = {"xdotool", "windowfocus", "--sync", xid, "key"};
        std::stringstream keys(what);
        for (std::string k; keys >> k;) argv.push_back(k);
        run(argv);
      } else if (how == "click") {
        ASSERT_TRUE(dialog.contains("@" + what)) << what;
        const std::string at = dialog.at("@" + what);
        // No --sync: it waits for ever when the pointer is already there.
        run({"xdotool", "mousemove", at.substr(0, at.find(',')), at.substr(at.find(',') + 1),
             "click", "1"});
      } else {
        requestClose(std::stoul(xid));
      }
    }
  }
  // Keeps a picture of the dialog beside the test binary, for the docs.
  static void screenshot(const std::string& name, const Shown& dialog) {
    std::filesystem::create_directories("gtk-screenshots");
    run({"import", "-window", dialog.at("xid"), "gtk-screenshots/" + name + ".png"});
  }

  std::unique_ptr<FrontEnd> front_;
  std::function<void()> user_;
  guint guard_ = 0;
};

TEST_F(GtkFrontEndTest, AlertsShowTheirTextsAndAnswerTheButtonChosen) {
  using enum FrontEnd::Answer;
  const std::vector<std::string> notice = {"title=Wendlock",
                                           "text=Sends the selected text. | Bind a key to it.",
                                           "buttons=Help | Quit", "default=Quit", "focus=Quit"};
  struct Case {
    std::string message, detail;  // of a critical alert; message "": the launch notice
    std::vector<std::string> shows;
    std::string action;
    std::optional<FrontEnd::Answer> answer;
    std::string picture = "";
  } cases[] = {
      // Shown as written: neither a format nor dropped for its bad byte.
      {"100% %s %n done \xff.",
       "",
       {"title=Wendlock", "text=100% %s %n done \xEF\xBF\xBD.", "buttons=OK", "default=OK"},
       "key:Return",
       {}},
      {"Too much data to send.",
       "The text is 1,234 bytes; at most 436 bytes can be sent at once.",
       {"title=Wendlock",
        "text=Too much data to send. | The text is 1,234 bytes; at most 436 bytes can be sent at "
        "once.",
        "buttons=OK", "default=OK"},
       "close",
       {},
       "alert"},
      {"", "", notice, "key:Return", Default, "notice"},
      {"", "", notice, "click:Help", Alternate},
      {"", "", notice, "key:Escape", Default},
  };
  for (const Case& c : cases) {
    std::optional<FrontEnd::Answer> answer;
    withUser(
        [&] {
          const Shown d = waitFor(c.shows);
          if (!c.picture.empty()) screenshot(c.picture, d);
          act(c.action, d);
        },
        [&] {
          if (c.message.empty()) {
            answer = front_->showInformationalAlert(
                "Wendlock", "Sends the selected text.\n\nBind a key to it.", "Quit", "Help");
          } else {
            front_->showCriticalAlert("Wendlock", c.message, c.detail);
          }
        });
    EXPECT_EQ(answer, c.answer) << c.message << " " << c.action;
  }
}

// The sending window: Cancel (by its mnemonic), Escape and closing it each
// cancel once and hide it; otherwise it stays until the push ends.
TEST_F(GtkFrontEndTest, SendingWindowCancelsOrClosesWithThePush) {
  for (const std::string action : {"key:alt+c", "key:Escape", "close", ""}) {
    SCOPED_TRACE(action);
    int cancels = 0;
    front_->showSending("Sending to Pixel 7…", [&] { ++cancels; });
    const Shown d = waitFor({"title=Wendlock",
                             "text=Sending to Pixel 7… | Accept the file on the device if it asks.",
                             "buttons=Cancel"});
    if (action.empty()) {
      screenshot("sending", d);
      front_->endSending();
    } else {
      act(action, d);
      EXPECT_TRUE(desktoptest::runUntil([&] { return cancels > 0; }));
    }
    EXPECT_TRUE(desktoptest::runUntil([] { return !shownDialog().contains("xid"); }));
    front_->endSending();
    EXPECT_EQ(cancels, action.empty() ? 0 : 1);
  }
}

// The push behind the sending window: the device holds the Put (its user
// is asked), the user cancels in the window, which closes; the answer that
// then comes is followed by a Disconnect, and the push ends quietly with
// status 3.
TEST_F(GtkFrontEndTest, CancelInTheSendingWindowDisconnectsAndEndsQuietly) {
  testkit::ScriptedServer device;
  device.then(testkit::connectReply(1000));
  device.then({});  // the Put, unanswered while the phone asks
  device.then(testkit::kSuccess);
  const ServiceRecord target =
      *ServiceRecord::parse("tcp:127.0.0.1:" + std::to_string(device.port()));
  setBrowserTargets({target});
  std::vector<int> exits;
  testhooks::setTerminateHandler([&](int status) { exits.push_back(status); });
  setFrontEnd(std::move(front_));
  orvin::InMemoryPasteboard request(u"Request");
  request.declareTypes({orvin::String(orvin::NSStringPboardType)}, nullptr);
  request.setString(u"hello", orvin::String(orvin::NSStringPboardType));
  withUser(
      [&] {
        const Shown d = waitFor({"text=Sending to " + target.describe() +
                                 "… | Accept the file on the device if it asks."});
        EXPECT_TRUE(desktoptest::runUntil([&] { return device.requests.size() == 2; }));
        act("key:alt+c", d);
        EXPECT_TRUE(desktoptest::runUntil([] { return !shownDialog().contains("xid"); }));
        device.push(testkit::kContinue);
      },
      [&] {
        Wendlock provider;
        provider.doSendToService(request, orvin::String(), nullptr);
      });
  std::vector<std::uint8_t> opcodes;
  for (const testkit::Bytes& r : device.requests) opcodes.push_back(r.at(0));
  EXPECT_EQ(opcodes, (std::vector<std::uint8_t>{0x80, 0x82, 0x81}));
  EXPECT_EQ(exits, std::vector<int>{kExitNotDelivered});
  setFrontEnd(nullptr);
  setBrowserTargets({});
  testhooks::setTerminateHandler(nullptr);
  testhooks::resetOutcome();
}

// A notification reaches the desktop's service (python3-dbusmock's) on a
// private session bus; without a service nothing is shown.
TEST_F(GtkFrontEndTest, NotificationsReachTheDesktopsService) {
  if (!g_file_test("/usr/lib/python3/dist-packages/dbusmock/templates/notification_daemon.py",
                   G_FILE_TEST_EXISTS)) {
    GTEST_SKIP() << "needs python3-dbusmock";
  }
  const char* old = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  const std::string display = g_getenv("DISPLAY");  // the private bus unsets it
  GTestDBus* bus = g_test_dbus_new(G_TEST_DBUS_NONE);
  g_test_dbus_up(bus);
  EXPECT_FALSE(sendDesktopNotification("nobody listens"));
  {
    // The system's python3, which has python3-dbusmock.
    const auto daemon =
        Child::start({"/usr/bin/python3", "-m", "dbusmock", "--template", "notification_daemon"});
    ASSERT_TRUE(daemon);
    EXPECT_TRUE(desktoptest::runUntil([] { return sendDesktopNotification("Sent to Pixel 7"); }));
    GDBusConnection* c = g_dbus_connection_new_for_address_sync(
        g_test_dbus_get_bus_address(bus),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    ASSERT_NE(c, nullptr);
    GVariant* calls = g_dbus_connection_call_sync(
        c, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.DBus.Mock", "GetMethodCalls", g_variant_new("(s)", "Notify"), nullptr,
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    ASSERT_NE(calls, nullptr);
    gchar* printed = g_variant_print(calls, FALSE);
    EXPECT_NE(std::string(printed).find(
                  "[<'Wendlock'>, <uint32 0>, <'wendlock'>, <'Sent to Pixel 7'>, <''>"),
              std::string::npos)
        << printed;
    g_free(printed);
    g_variant_unref(calls);
    g_dbus_connection_close_sync(c, nullptr, nullptr);
    g_object_unref(c);
  }
  g_test_dbus_down(bus);
  g_object_unref(bus);
  g_setenv("DISPLAY", display.c_str(), TRUE);
  if (saved) {
    g_setenv("DBUS_SESSION_BUS_ADDRESS", saved->c_str(), TRUE);
  } else {
    g_unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
}

TEST_F(GtkFrontEndTest, ChooserFollowsItsSourceAndAnswersTheChosenDevice) {
  const DeviceEntry laptop = device("Laptop", "11:22:33:44:55:66", false);
  struct Case {
    bool added;
    std::string action, expected;
  } cases[] = {
      // A device that shows up while the window is open can be chosen.
      {true, "key:Down Down Return", laptop.address},
      {false, "key:Down;click:Send", kRadio.address},
      {false, "key:Escape", ""},
      {false, "close", ""},
  };
  for (const Case& c : cases) {
    LiveSource source;
    source.devices = {kPixel, kRadio};
    std::optional<ServiceRecord> chosen;
    withUser(
        [&] {
          Shown d = waitFor({"title=Wendlock", rowsOf(source.devices), "selected=0", "searching=1",
                             "text=Send to which device? | Searching for devices…",
                             "sensitive=Cancel | Send", "focus=list"});
          if (c.added) {
            source.devices.push_back(laptop);
            d = waitFor({rowsOf(source.devices)});
          }
          act(c.action, d);
        },
        [&] { chosen = front_->chooseDevice(source); });
    EXPECT_EQ(chosen ? chosen->address : "", c.expected) << c.action;
  }
}

TEST_F(GtkFrontEndTest, ChooserKeepsTheUsersRowAcrossChanges) {
  LiveSource source;
  source.devices = {kPixel, kRadio};
  const DeviceEntry watch = device("Watch", "C4:11:22:33:44:55", true);
  // Each step: what the source holds next, and the row then selected. Once
  // the user's row is gone, none is chosen for them, even when it returns.
  const std::pair<std::vector<DeviceEntry>, int> steps[] = {
      {{watch, kPixel, kRadio}, 2},  // still the radio
      {{watch, kRadio}, 1},         {{watch}, -1}, {{watch, kRadio}, -1}, {{}, -1},
  };
  std::optional<ServiceRecord> chosen = kPixel.record;
  withUser(
      [&] {
        act("key:Down", waitFor({"focus=list"}));
        (void)waitFor({"selected=1"});
        for (const auto& step : steps) {
          source.devices = step.first;
          (void)waitFor({rowsOf(step.first), "selected=" + std::to_string(step.second),
                         step.second < 0 ? "sensitive=Cancel" : "sensitive=Cancel | Send"});
        }
        source.searching = false;
        // Enter with nothing to choose does not answer; Escape still cancels.
        act("key:Return Escape",
            waitFor({"searching=0", "sensitive=Cancel",
                     "text=Send to which device? | No devices found. | Pair the phone in "
                     "the Bluetooth settings first."}));
      },
      [&] { chosen = front_->chooseDevice(source); });
  EXPECT_FALSE(chosen);
}

TEST_F(GtkFrontEndTest, ChooserEmptiesWhenBluetoothIsSwitchedOff) {
  LiveSource source;
  source.devices = {kPixel, kRadio};
  std::optional<ServiceRecord> chosen = kPixel.record;
  withUser(
      [&] {
        (void)waitFor({rowsOf(source.devices), "selected=0", "sensitive=Cancel | Send"});
        source.devices = {};
        source.off = true;
        source.searching = false;
        act("key:Return Escape", waitFor({"rows=", "selected=-1", "sensitive=Cancel",
                                          "text=Send to which device? | Bluetooth is off."}));
      },
      [&] { chosen = front_->chooseDevice(source); });
  EXPECT_FALSE(chosen);
}

// What the chooser adds to the list: the text's preview, the target last
// sent to chosen first (also when it shows up late) until the user picks,
// device icons with the paired mark, "Search Again" once the search has
// ended, and the pairing hint with the desktop's Bluetooth settings.
TEST_F(GtkFrontEndTest, ChooserPreviewsRemembersSearchesAgainAndHints) {
  const std::filesystem::path bin = std::filesystem::absolute("fake-bin");
  std::filesystem::create_directories(bin);
  const std::filesystem::path opened = std::filesystem::absolute("settings-opened");
  {
    std::ofstream script(bin / "blueman-manager");
    script << "#!/bin/sh\ntouch '" << opened.string() << "'\n";
  }
  std::filesystem::permissions(bin / "blueman-manager", std::filesystem::perms::owner_all);
  const std::string path = g_getenv("PATH");
  g_setenv("PATH", (bin.string() + ":" + path).c_str(), TRUE);

  const DeviceEntry watch = device("Watch", "C4:11:22:33:44:55", false, "no-such-icon");
  front_->setOutgoing({"Call Anna back", "14 bytes", kRadio.record.describe()});
  LiveSource source;
  source.devices = {kPixel, watch};
  std::optional<ServiceRecord> chosen;
  withUser(
      [&] {
        (void)waitFor(
            {"text=Send to which device? | “Call Anna back” | 14 bytes | Searching for "
             "devices…",
             "selected=0", "icons=phone+paired | bluetooth-symbolic"});
        source.devices = {kPixel, kRadio, watch};
        (void)waitFor({rowsOf(source.devices), "selected=1"});
        source.searching = false;
        source.searchable = true;
        const Shown d = waitFor({"searching=0", "buttons=Search Again | Cancel | Send"});
        screenshot("chooser", d);
        act("key:alt+a", d);  // the mnemonic
        (void)waitFor({"searching=1", "buttons=Cancel | Send"});
        source.devices = {};
        act("key:alt+e",  // the mnemonic
            waitFor({"rows=", "buttons=Bluetooth Settings | Cancel | Send",
                     "sensitive=Bluetooth Settings | Cancel"}));
        EXPECT_TRUE(desktoptest::runUntil([&] { return std::filesystem::exists(opened); }));
        source.devices = {kRadio};
        act("key:Return", waitFor({"selected=0", "sensitive=Cancel | Send"}));
      },
      [&] { chosen = front_->chooseDevice(source); });
  g_setenv("PATH", path.c_str(), TRUE);
  std::filesystem::remove_all(bin);
  std::filesystem::remove(opened);
  EXPECT_EQ(source.searches, 1);
  EXPECT_EQ(chosen ? chosen->address : "", kRadio.address);
}

TEST_F(GtkFrontEndTest, ChooserOverFixedTargetsAnswersTheirIndex) {
  std::vector<ServiceRecord> targets;
  for (const char* t : {"tcp:127.0.0.1:9650", "tcp:127.0.0.1:9651", "bt:00:1A:7D:DA:71:13"}) {
    targets.push_back(*ServiceRecord::parse(t));
  }
  std::optional<std::size_t> chosen;
  withUser(
      [] {
        act("key:End Return",
            waitFor({"rows=tcp:127.0.0.1:9650, tcp:127.0.0.1:9650 | tcp:127.0.0.1:9651, "
                     "tcp:127.0.0.1:9651 | bt:00:1A:7D:DA:71:13, bt:00:1A:7D:DA:71:13",
                     "searching=0", "focus=list"}));
      },
      [&] { chosen = front_->chooseDevice(targets); });
  EXPECT_EQ(chosen, 2u);
}

}  // namespace
}  // namespace wendlock
