// The BlueZ device source and the device browser against python3-dbusmock's
// bluez5 template, on a private bus that stands in for the system bus.
#include <gio/gio.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/platform/DeviceBrowser.h"
#include "service/platform/FrontEnd.h"
#include "service/platform/RunLoop.h"
#include "service/platform/bluez/BluezDeviceSource.h"

namespace wendlock {
namespace {

constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kTemplate = "/usr/lib/python3/dist-packages/dbusmock/templates/bluez5.py";
constexpr const char* kMock = "org.freedesktop.DBus.Mock";
constexpr const char* kHeadsetUuid = "00001108-0000-1000-8000-00805f9b34fb";

// Runs the default context until `done`; false after ten seconds.
bool pumpUntil(const std::function<bool()>& done) {
  const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
  while (!done()) {
    if (g_get_monotonic_time() >= deadline) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return true;
}

std::string devicePath(const std::string& adapter, std::string address) {
  for (char& c : address) c = c == ':' ? '_' : static_cast<char>(g_ascii_toupper(c));
  return "/org/bluez/" + adapter + "/dev_" + address;
}

std::vector<std::string> names(const DeviceSource& source) {
  std::vector<std::string> result;
  for (const DeviceEntry& e : source.entries()) result.push_back(e.name);
  return result;
}

// A private bus for DBUS_SYSTEM_BUS_ADDRESS, BlueZ's mock on it, and calls
// that drive the mock.
class BluezTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_file_test(kDaemon, G_FILE_TEST_IS_EXECUTABLE) ||
        !g_file_test(kPython, G_FILE_TEST_IS_EXECUTABLE) ||
        !g_file_test(kTemplate, G_FILE_TEST_EXISTS)) {
      GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    }
    gchar* dir = g_dir_make_tmp("wendlock-bus-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    g_free(dir);
    address_ = "unix:path=" + dir_ + "/bus";
    if (const char* old = g_getenv("DBUS_SYSTEM_BUS_ADDRESS")) savedAddress_ = old;
    addressSet_ = true;
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), TRUE);
    const std::string listen = "--address=" + address_;
    daemon_ = spawn({kDaemon, "--session", "--nofork", listen.c_str()});
    ASSERT_TRUE(pumpUntil([&] {
      bus_ = g_dbus_connection_new_for_address_sync(
          address_.c_str(),
          static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                            G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
          nullptr, nullptr, nullptr);
      return bus_ != nullptr;
    }));
  }

  void TearDown() override {
    source_.reset();
    stopMock();
    if (bus_ != nullptr) {
      g_dbus_connection_close_sync(bus_, nullptr, nullptr);
      g_object_unref(bus_);
    }
    stop(daemon_);
    for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
    if (!dir_.empty()) {
      g_unlink((dir_ + "/bus").c_str());
      g_rmdir(dir_.c_str());
    }
    if (savedAddress_) {
      g_setenv("DBUS_SYSTEM_BUS_ADDRESS", savedAddress_->c_str(), TRUE);
    } else if (addressSet_) {
      g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
  }

  static GSubprocess* spawn(std::vector<const char*> argv) {
    argv.push_back(nullptr);
    return g_subprocess_newv(argv.data(),
                             static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_SILENCE |
                                                           G_SUBPROCESS_FLAGS_STDERR_SILENCE),
                             nullptr);
  }
  static void stop(GSubprocess*& process) {
    if (process == nullptr) return;
    g_subprocess_force_exit(process);
    g_subprocess_wait(process, nullptr, nullptr);
    g_clear_object(&process);
  }

  void startMock() {
    mock_ = spawn({kPython, "-m", "dbusmock", "--template", "bluez5"});
    ASSERT_NE(mock_, nullptr);
    ASSERT_TRUE(pumpUntil([&] {
      GVariant* owned = g_dbus_connection_call_sync(
          bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
          "NameHasOwner", g_variant_new("(s)", "org.bluez"), G_VARIANT_TYPE("(b)"),
          G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
      gboolean yes = FALSE;
      if (owned != nullptr) g_variant_get(owned, "(b)", &yes);
      if (owned != nullptr) g_variant_unref(owned);
      return yes == TRUE;
    })) << "the BlueZ mock did not come up";
  }
  void stopMock() { stop(mock_); }

  // Calls the mock; the reply, or nullptr (a test failure) on error.
  GVariant* call(const std::string& path, const char* interface, const char* method,
                 GVariant* parameters) {
    GError* error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(bus_, "org.bluez", path.c_str(), interface, method, parameters,
                                    nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (reply == nullptr) {
      ADD_FAILURE() << method << ": " << error->message;
      g_error_free(error);
    }
    return reply;
  }
  void run(const std::string& path, const char* interface, const char* method,
           GVariant* parameters) {
    if (GVariant* reply = call(path, interface, method, parameters)) g_variant_unref(reply);
  }
  void update(const std::string& path, const char* interface, const char* properties) {
    run(path, kMock, "UpdateProperties",
        g_variant_new_parsed("(%s, %@a{sv})", interface, g_variant_new_parsed(properties)));
  }

  void addAdapter(const char* name) {
    run("/", "org.bluez.Mock", "AddAdapter", g_variant_new("(ss)", name, "host"));
  }
  void setPowered(const char* adapter, bool on) {
    update(std::string("/org/bluez/") + adapter, "org.bluez.Adapter1",
           on ? "{'Powered': <true>}" : "{'Powered': <false>}");
  }
  // A device the mock has found, offering Object Push or a headset's service.
  void addDevice(const char* address, const char* alias, bool push, gint16 rssi = -79) {
    run("/", "org.bluez.Mock", "AddDevice", g_variant_new("(sss)", "hci0", address, alias));
    const std::string path = devicePath("hci0", address);
    run(path, kMock, "UpdateProperties",
        g_variant_new_parsed("('org.bluez.Device1', {'RSSI': <%n>, 'UUIDs': <[%s, %s]>})", rssi,
                             kHeadsetUuid, push ? kObjectPushServiceUuid : kHeadsetUuid));
  }
  void pair(const char* address) {
    run("/", "org.bluez.Mock", "PairDevice", g_variant_new("(ssi)", "hci0", address, 0));
  }
  // A device BlueZ remembers from earlier, not seen by this discovery.
  void announceKnownDevice(const char* address, const char* alias) {
    GVariant* properties = g_variant_new_parsed(
        "{'org.bluez.Device1': {'Address': <%s>, 'Alias': <%s>, 'UUIDs': <[%s]>}}", address, alias,
        kObjectPushServiceUuid);
    GVariantBuilder args;
    g_variant_builder_init(&args, G_VARIANT_TYPE("av"));
    g_variant_builder_add(&args, "v",
                          g_variant_new_object_path(devicePath("hci0", address).c_str()));
    g_variant_builder_add(&args, "v", properties);
    run("/", kMock, "EmitSignal",
        g_variant_new("(sssav)", "org.freedesktop.DBus.ObjectManager", "InterfacesAdded",
                      "oa{sa{sv}}", &args));
  }
  // How often the mock's `method` was called on `path`, and the first
  // argument of the last call.
  std::size_t calls(const std::string& path, const char* method, std::string* lastArg = nullptr) {
    GVariant* reply = call(path, kMock, "GetMethodCalls", g_variant_new("(s)", method));
    if (reply == nullptr) return 0;
    GVariant* list = g_variant_get_child_value(reply, 0);
    const std::size_t n = g_variant_n_children(list);
    if (n > 0 && lastArg != nullptr) {
      GVariant* last = g_variant_get_child_value(list, n - 1);
      GVariant* args = g_variant_get_child_value(last, 1);
      if (g_variant_n_children(args) > 0) {
        GVariant* first = g_variant_get_child_value(args, 0);
        gchar* text = g_variant_print(first, FALSE);
        *lastArg = text;
        g_free(text);
        g_variant_unref(first);
      }
      g_variant_unref(args);
      g_variant_unref(last);
    }
    g_variant_unref(list);
    g_variant_unref(reply);
    return n;
  }

  // Starts a source that counts its changes; the reason on failure.
  std::optional<std::string> startSource() {
    source_ = std::make_unique<BluezDeviceSource>();
    std::string why;
    if (source_->start([this] { ++changes_; }, &why)) return std::nullopt;
    return why;
  }
  bool showsSoon(const std::vector<std::string>& expected) {
    return pumpUntil([&] { return names(*source_) == expected; });
  }

  std::string dir_;
  std::string address_;
  std::optional<std::string> savedAddress_;
  bool addressSet_ = false;
  GSubprocess* daemon_ = nullptr;
  GSubprocess* mock_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  std::unique_ptr<BluezDeviceSource> source_;
  int changes_ = 0;
};

TEST_F(BluezTest, ListsPushDevicesPairedThenSeenThenKnown) {
  startMock();
  addAdapter("hci0");
  addDevice("00:00:00:00:00:01", "Zed", true);
  addDevice("00:00:00:00:00:02", "alpha", true);
  pair("00:00:00:00:00:01");
  pair("00:00:00:00:00:02");
  addDevice("aa:bb:cc:dd:ee:01", "Near", true, -40);
  addDevice("00:00:00:00:00:03", "Far", true, -90);
  addDevice("00:00:00:00:00:04", "Mid", true, -60);
  addDevice("00:00:00:00:00:05", "Headset", false);

  ASSERT_EQ(startSource(), std::nullopt);
  // Paired by name, caseless; those in range by signal strength.
  EXPECT_EQ(names(*source_), (std::vector<std::string>{"alpha", "Zed", "Near", "Mid", "Far"}));
  EXPECT_TRUE(source_->isSearching());
  const DeviceEntry near = source_->entries()[2];
  EXPECT_FALSE(near.paired);
  EXPECT_TRUE(source_->entries()[0].paired);
  EXPECT_EQ(near.address, "AA:BB:CC:DD:EE:01");
  EXPECT_EQ(near.record.kind, ServiceRecord::Kind::Bluetooth);
  EXPECT_EQ(near.record.address, "AA:BB:CC:DD:EE:01");
  EXPECT_EQ(near.record.channel, 0);
  EXPECT_EQ(near.record.name, "Near");

  // Found later: after those found before, whatever the name. Known from
  // earlier but not seen now: last, by name.
  addDevice("00:00:00:00:00:06", "Aardvark", true);
  announceKnownDevice("00:00:00:00:00:07", "Old phone");
  announceKnownDevice("00:00:00:00:00:08", "Old fax");
  EXPECT_TRUE(
      showsSoon({"alpha", "Zed", "Near", "Mid", "Far", "Aardvark", "Old fax", "Old phone"}));
  pair("00:00:00:00:00:03");
  EXPECT_TRUE(
      showsSoon({"alpha", "Far", "Zed", "Near", "Mid", "Aardvark", "Old fax", "Old phone"}));

  stopMock();  // BlueZ leaves the bus
  EXPECT_TRUE(showsSoon({}));
  EXPECT_FALSE(source_->isSearching());
}

TEST_F(BluezTest, FollowsBluezWhileOpen) {
  startMock();
  addAdapter("hci0");
  addDevice("00:00:00:00:00:01", "Phone", true);
  ASSERT_EQ(startSource(), std::nullopt);
  EXPECT_EQ(changes_, 0);

  addDevice("00:00:00:00:00:02", "Headset", false);
  addDevice("00:00:00:00:00:03", "Tablet", true);
  EXPECT_TRUE(showsSoon({"Phone", "Tablet"}));
  EXPECT_EQ(changes_, 1) << "a device without Object Push is no change";

  run("/org/bluez/hci0", "org.bluez.Adapter1", "RemoveDevice",
      g_variant_new("(o)", devicePath("hci0", "00:00:00:00:00:01").c_str()));
  EXPECT_TRUE(showsSoon({"Tablet"}));
  EXPECT_EQ(changes_, 2);

  update(devicePath("hci0", "00:00:00:00:00:03"), "org.bluez.Device1", "{'Alias': <'Tab'>}");
  EXPECT_TRUE(showsSoon({"Tab"}));

  setPowered("hci0", false);
  EXPECT_TRUE(pumpUntil([&] { return !source_->isSearching(); }));

  // The mock leaves the adapter's devices behind, as a crashing BlueZ may.
  const int before = changes_;
  run("/", "org.bluez.Mock", "RemoveAdapter", g_variant_new("(s)", "hci0"));
  EXPECT_TRUE(showsSoon({}));
  EXPECT_GT(changes_, before);
}

TEST_F(BluezTest, NotAvailableWithoutBusBluezAdapterOrPower) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    const char* reason;
  };
  const Case cases[] = {
      {"no system bus",
       [this] {
         g_setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir_ + "/none").c_str(), TRUE);
       },
       "system bus"},
      {"BlueZ not running", [] {}, "not running"},
      {"no adapter", [this] { startMock(); }, "no Bluetooth adapter"},
      {"every adapter off",
       [this] {
         startMock();
         addAdapter("hci0");
         addAdapter("hci1");
         setPowered("hci0", false);
         setPowered("hci1", false);
       },
       "off"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    stopMock();
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), TRUE);
    c.setUp();
    const std::optional<std::string> why = startSource();
    ASSERT_TRUE(why.has_value());
    EXPECT_NE(why->find(c.reason), std::string::npos) << *why;
    EXPECT_TRUE(source_->entries().empty());
    EXPECT_FALSE(source_->isSearching());
    source_->stop();
  }
}

TEST_F(BluezTest, DiscoversOnTheFirstPoweredAdapterUntilStopped) {
  startMock();
  addAdapter("hci0");
  addAdapter("hci1");
  setPowered("hci0", false);
  ASSERT_EQ(startSource(), std::nullopt);
  EXPECT_TRUE(source_->isSearching());
  std::string filter;
  EXPECT_EQ(calls("/org/bluez/hci1", "SetDiscoveryFilter", &filter), 1u);
  EXPECT_NE(filter.find("'Transport': <'bredr'>"), std::string::npos) << filter;
  EXPECT_EQ(calls("/org/bluez/hci1", "StartDiscovery"), 1u);
  EXPECT_EQ(calls("/org/bluez/hci0", "StartDiscovery"), 0u);

  source_->stop();
  EXPECT_FALSE(source_->isSearching());
  EXPECT_TRUE(pumpUntil([&] { return calls("/org/bluez/hci1", "StopDiscovery") == 1; }));
  source_->stop();
}

TEST_F(BluezTest, RefusedDiscoveryStillOffersKnownDevices) {
  startMock();
  addAdapter("hci0");
  addDevice("00:00:00:00:00:01", "Phone", true);
  run("/org/bluez/hci0", kMock, "AddMethod",
      g_variant_new("(sssss)", "org.bluez.Adapter1", "StartDiscovery", "", "",
                    "raise dbus.exceptions.DBusException('busy', name='org.bluez.Error.Failed')"));
  ASSERT_EQ(startSource(), std::nullopt);
  EXPECT_FALSE(source_->isSearching());
  EXPECT_EQ(names(*source_), std::vector<std::string>{"Phone"});
}

// Picks the first offered device, or cancels; counts how often it was asked.
class PickingFrontEnd : public FrontEnd {
 public:
  explicit PickingFrontEnd(bool pick) : pick_(pick) {}
  void showCriticalAlert(const std::string&, const std::string&) override {}
  Answer showInformationalAlert(const std::string&, const std::string&, const std::string&,
                                const std::string&) override {
    return Answer::Default;
  }
  void beep() override {}
  using FrontEnd::chooseDevice;
  std::optional<std::size_t> chooseDevice(const std::vector<ServiceRecord>& devices) override {
    offered.push_back(devices.size());
    if (!pick_ || devices.empty()) return std::nullopt;
    return 0;
  }
  std::vector<std::size_t> offered;

 private:
  bool pick_;
};

TEST_F(BluezTest, BrowserChoosesAmongBluezDevicesAndStopsDiscovery) {
  struct Case {
    const char* name;
    bool bluez;
    bool pick;
    int result;
  };
  const Case cases[] = {
      {"BlueZ missing", false, true, kIOBluetoothUINotAvailableErr},
      {"device chosen", true, true, kIOBluetoothUISuccess},
      {"user cancels", true, false, kIOBluetoothUIUserCanceledErr},
  };
  setBrowserTargets({});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    stopMock();
    if (c.bluez) {
      startMock();
      addAdapter("hci0");
      addDevice("00:1a:7d:da:71:13", "Phone", true);
    }
    // The default chooser waits out the search, in virtual time.
    testhooks::useVirtualTime(700000000.0);
    auto ui = std::make_unique<PickingFrontEnd>(c.pick);
    PickingFrontEnd* picker = ui.get();
    setFrontEnd(std::move(ui));
    ServiceRecord record;
    const int result = IOBluetoothServiceBrowserControllerBrowseDevices(
        &record, kIOBluetoothServiceBrowserControllerOptionsAutoStartInquiry);
    testhooks::useRealTime();
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(picker->offered, c.bluez ? std::vector<std::size_t>{1} : std::vector<std::size_t>{});
    if (c.bluez) {
      EXPECT_TRUE(pumpUntil([&] { return calls("/org/bluez/hci0", "StopDiscovery") == 1; }));
    }
    if (result == kIOBluetoothUISuccess) {
      EXPECT_EQ(record.kind, ServiceRecord::Kind::Bluetooth);
      EXPECT_EQ(record.address, "00:1A:7D:DA:71:13");
    }
    setFrontEnd(nullptr);
  }
}

}  // namespace
}  // namespace wendlock
