// The BlueZ device source and the device browser against python3-dbusmock's
// bluez5 template, on a private bus that stands in for the system bus.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/RunLoop.h"
#include "service/platform/bluez/BluezDeviceSource.h"

namespace wendlock {
namespace {

constexpr const char* kPython = "/usr/bin/python3";  // the one with python3-dbusmock
constexpr const char* kTemplate = "/usr/lib/python3/dist-packages/dbusmock/templates/bluez5.py";
constexpr const char* kMock = "org.freedesktop.DBus.Mock";
constexpr const char* kBluezMock = "org.bluez.Mock";
constexpr const char* kHeadsetUuid = "00001108-0000-1000-8000-00805f9b34fb";
constexpr auto kSilent = static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_SILENCE |
                                                       G_SUBPROCESS_FLAGS_STDERR_SILENCE);

std::string devicePath(std::string address, const char* adapter = "hci0") {
  for (char& c : address) c = c == ':' ? '_' : static_cast<char>(g_ascii_toupper(c));
  return std::string("/org/bluez/") + adapter + "/dev_" + address;
}

void stop(GSubprocess*& process) {
  if (process == nullptr) return;
  g_subprocess_force_exit(process);
  g_subprocess_wait(process, nullptr, nullptr);
  g_clear_object(&process);
}

// A private bus named by DBUS_SYSTEM_BUS_ADDRESS, BlueZ's mock on it, and
// calls that drive the mock.
class BluezTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_file_test(kTemplate, G_FILE_TEST_EXISTS)) GTEST_SKIP() << "needs python3-dbusmock";
    if (const char* old = g_getenv("DBUS_SYSTEM_BUS_ADDRESS")) saved_ = old;
    dbus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(dbus_);
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", g_test_dbus_get_bus_address(dbus_), TRUE);
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);  // the same bus
    ASSERT_NE(bus_, nullptr);
  }

  void TearDown() override {
    source_.reset();
    stop(mock_);
    g_clear_object(&bus_);
    if (dbus_ != nullptr) g_test_dbus_down(dbus_);
    g_clear_object(&dbus_);
    testkit::drain();
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", saved_.c_str(), TRUE);
  }

  void startMock() {
    mock_ = g_subprocess_new(kSilent, nullptr, kPython, "-m", "dbusmock", "--template", "bluez5",
                             nullptr);
    ASSERT_NE(mock_, nullptr);
    ASSERT_TRUE(testkit::runUntil([&] {
      g_autoptr(GVariant) owned = g_dbus_connection_call_sync(
          bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
          "NameHasOwner", g_variant_new("(s)", "org.bluez"), G_VARIANT_TYPE("(b)"),
          G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
      gboolean yes = FALSE;
      if (owned != nullptr) g_variant_get(owned, "(b)", &yes);
      return yes == TRUE;
    })) << "the BlueZ mock did not come up";
  }

  // Calls the mock; the reply, or nullptr (a test failure) on error.
  GVariant* call(const std::string& path, const char* interface, const char* method,
                 GVariant* parameters) {
    g_autoptr(GError) error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(bus_, "org.bluez", path.c_str(), interface, method, parameters,
                                    nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (reply == nullptr) ADD_FAILURE() << method << ": " << error->message;
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
  void addAdapter(const char* name, bool powered = true) {
    run("/", kBluezMock, "AddAdapter", g_variant_new("(ss)", name, "host"));
    if (!powered) {
      update(std::string("/org/bluez/") + name, "org.bluez.Adapter1", "{'Powered': <false>}");
    }
  }
  // A device the mock has found, offering Object Push or a headset's service.
  void addDevice(const char* address, const char* alias, bool push = true, gint16 rssi = -79,
                 const char* adapter = "hci0") {
    run("/", kBluezMock, "AddDevice", g_variant_new("(sss)", adapter, address, alias));
    run(devicePath(address, adapter), kMock, "UpdateProperties",
        g_variant_new_parsed("('org.bluez.Device1', {'RSSI': <%n>, 'UUIDs': <[%s, %s]>})", rssi,
                             kHeadsetUuid, push ? kObjectPushServiceUuid : kHeadsetUuid));
  }
  void pair(const char* address) {
    run("/", kBluezMock, "PairDevice", g_variant_new("(ssi)", "hci0", address, 0));
  }
  // A device BlueZ remembers from earlier, not seen by this discovery.
  void announceKnownDevice(const char* address, const char* alias) {
    run("/", kMock, "EmitSignal",
        g_variant_new_parsed("('org.freedesktop.DBus.ObjectManager', 'InterfacesAdded', "
                             "'oa{sa{sv}}', [<%o>, <{'org.bluez.Device1': {'Address': <%s>, "
                             "'Alias': <%s>, 'UUIDs': <[%s]>}}>])",
                             devicePath(address).c_str(), address, alias, kObjectPushServiceUuid));
  }
  // How often the mock's `method` was called on `path`; the calls printed in *printed.
  std::size_t calls(const std::string& path, const char* method, std::string* printed = nullptr) {
    g_autoptr(GVariant) reply = call(path, kMock, "GetMethodCalls", g_variant_new("(s)", method));
    if (reply == nullptr) return 0;
    g_autofree gchar* text = g_variant_print(reply, FALSE);
    if (printed != nullptr) *printed = text;
    g_autoptr(GVariant) list = g_variant_get_child_value(reply, 0);
    return g_variant_n_children(list);
  }

  // Starts a source that counts its changes; the reason on failure.
  std::optional<std::string> startSource() {
    source_ = std::make_unique<BluezDeviceSource>();
    std::string why;
    if (source_->start([this] { ++changes_; }, &why)) return std::nullopt;
    return why;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const DeviceEntry& e : source_->entries()) result.push_back(e.name);
    return result;
  }
  bool showsSoon(const std::vector<std::string>& expected) {
    return testkit::runUntil([&] { return names() == expected; });
  }

  std::string saved_;
  GTestDBus* dbus_ = nullptr;
  GSubprocess* mock_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  std::unique_ptr<BluezDeviceSource> source_;
  int changes_ = 0;
};

TEST_F(BluezTest, ListsPushDevicesPairedThenSeenThenKnown) {
  startMock();
  addAdapter("hci0");
  addDevice("00:00:00:00:00:01", "Zed");
  addDevice("00:00:00:00:00:02", "alpha");
  pair("00:00:00:00:00:01");
  pair("00:00:00:00:00:02");
  addDevice("aa:bb:cc:dd:ee:01", "Near", true, -40);
  addDevice("00:00:00:00:00:03", "Far", true, -90);
  addDevice("00:00:00:00:00:04", "Mid", true, -60);
  addDevice("00:00:00:00:00:05", "Headset", false);

  ASSERT_EQ(startSource(), std::nullopt);
  // Paired by name, caseless; those in range by signal strength.
  EXPECT_EQ(names(), (std::vector<std::string>{"alpha", "Zed", "Near", "Mid", "Far"}));
  const DeviceEntry near = source_->entries()[2];
  EXPECT_TRUE(source_->entries()[0].paired && !near.paired);
  // A Bluetooth record whose channel SDP will find.
  EXPECT_EQ(near.address + " " + near.record.describe() + " " + near.record.name,
            "AA:BB:CC:DD:EE:01 bt:AA:BB:CC:DD:EE:01 Near");

  // Found later: after those found before, whatever the name. Known from
  // earlier but not seen now: last, by name.
  addDevice("00:00:00:00:00:06", "Aardvark");
  announceKnownDevice("00:00:00:00:00:07", "Old phone");
  announceKnownDevice("00:00:00:00:00:08", "Old fax");
  EXPECT_TRUE(
      showsSoon({"alpha", "Zed", "Near", "Mid", "Far", "Aardvark", "Old fax", "Old phone"}));
  pair("00:00:00:00:00:03");
  EXPECT_TRUE(
      showsSoon({"alpha", "Far", "Zed", "Near", "Mid", "Aardvark", "Old fax", "Old phone"}));

  stop(mock_);  // BlueZ leaves the bus
  EXPECT_TRUE(showsSoon({}));
  EXPECT_FALSE(source_->isSearching());
}

TEST_F(BluezTest, FollowsBluezWhileOpen) {
  startMock();
  addAdapter("hci0");
  addDevice("00:00:00:00:00:01", "Phone");
  ASSERT_EQ(startSource(), std::nullopt);
  EXPECT_EQ(changes_, 0);

  addDevice("00:00:00:00:00:02", "Headset", false);
  addDevice("00:00:00:00:00:03", "Tablet");
  EXPECT_TRUE(showsSoon({"Phone", "Tablet"}));
  EXPECT_EQ(changes_, 1) << "a device without Object Push is no change";

  run("/org/bluez/hci0", "org.bluez.Adapter1", "RemoveDevice",
      g_variant_new("(o)", devicePath("00:00:00:00:00:01").c_str()));
  EXPECT_TRUE(showsSoon({"Tablet"}));
  EXPECT_EQ(changes_, 2);

  update(devicePath("00:00:00:00:00:03"), "org.bluez.Device1", "{'Alias': <'Tab'>}");
  EXPECT_TRUE(showsSoon({"Tab"}));

  // Switched off: nothing can be reached, so nothing is offered, until on.
  EXPECT_FALSE(source_->isPoweredOff());
  update("/org/bluez/hci0", "org.bluez.Adapter1", "{'Powered': <false>}");
  EXPECT_TRUE(testkit::runUntil([&] { return !source_->isSearching(); }));
  EXPECT_TRUE(source_->isPoweredOff());
  EXPECT_TRUE(showsSoon({}));
  update("/org/bluez/hci0", "org.bluez.Adapter1", "{'Powered': <true>}");
  EXPECT_TRUE(showsSoon({"Tab"}));
  EXPECT_FALSE(source_->isPoweredOff());

  // The mock leaves the adapter's devices behind, as a crashing BlueZ may.
  const int before = changes_;
  run("/", kBluezMock, "RemoveAdapter", g_variant_new("(s)", "hci0"));
  EXPECT_TRUE(showsSoon({}));
  EXPECT_GT(changes_, before);
}

// Without a system bus at all: the send service's test.
TEST_F(BluezTest, NotAvailableWithoutBluezAdapterOrPower) {
  // A part of the reason, and how to get there.
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"not running", [] {}},
      {"no Bluetooth adapter", [this] { startMock(); }},
      {"off",
       [this] {
         startMock();
         addAdapter("hci0", false);
         addAdapter("hci1", false);
       }},
  };
  for (const auto& [reason, setUp] : cases) {
    SCOPED_TRACE(reason);
    stop(mock_);
    setUp();
    const std::optional<std::string> why = startSource();
    ASSERT_TRUE(why.has_value());
    EXPECT_NE(why->find(reason), std::string::npos) << *why;
    EXPECT_TRUE(source_->entries().empty());
    EXPECT_FALSE(source_->isSearching());
    source_->stop();
  }
}

// A system bus that accepts the connection and then says nothing is given up
// on after the call time-out, with the reason.
TEST_F(BluezTest, SilentSystemBusIsGivenUpOn) {
  const std::string path = testkit::resourceDirectory() + "/silent-bus";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  ::unlink(path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);  // the kernel accepts; nobody answers
  g_setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), TRUE);

  const std::optional<std::string> why = startSource();
  ::close(listener);
  ::unlink(path.c_str());
  ASSERT_TRUE(why.has_value());
  EXPECT_NE(why->find("does not answer"), std::string::npos) << *why;
  EXPECT_TRUE(source_->entries().empty());
}

// Stopping it is the browser's test.
// Discovery for BR/EDR devices, on the first powered adapter; when BlueZ
// refuses it, the devices it knows are still offered.
TEST_F(BluezTest, DiscoversOnTheFirstPoweredAdapter) {
  startMock();
  addAdapter("hci0", false);
  addAdapter("hci1");
  addDevice("00:00:00:00:00:01", "Phone", true, -79, "hci1");
  ASSERT_EQ(startSource(), std::nullopt);
  EXPECT_TRUE(source_->isSearching());
  std::string filter;
  EXPECT_EQ(calls("/org/bluez/hci1", "SetDiscoveryFilter", &filter), 1u);
  EXPECT_NE(filter.find("'Transport': <'bredr'>"), std::string::npos) << filter;
  EXPECT_EQ(calls("/org/bluez/hci1", "StartDiscovery"), 1u);
  EXPECT_EQ(calls("/org/bluez/hci0", "StartDiscovery"), 0u);

  // The chooser ends the search and starts it again; the device's kind
  // comes with it.
  update(devicePath("00:00:00:00:00:01", "hci1"), "org.bluez.Device1", "{'Icon': <'phone'>}");
  EXPECT_TRUE(testkit::runUntil([&] { return source_->entries().at(0).icon == "phone"; }));
  EXPECT_TRUE(source_->canSearch());
  source_->stopSearching();
  EXPECT_FALSE(source_->isSearching());
  EXPECT_TRUE(testkit::runUntil([&] { return calls("/org/bluez/hci1", "StopDiscovery") == 1u; }));
  source_->searchAgain();
  EXPECT_TRUE(source_->isSearching());
  EXPECT_EQ(calls("/org/bluez/hci1", "StartDiscovery"), 2u);

  source_->stop();
  run("/org/bluez/hci1", kMock, "AddMethod",
      g_variant_new("(sssss)", "org.bluez.Adapter1", "StartDiscovery", "", "",
                    "raise dbus.exceptions.DBusException('busy', name='org.bluez.Error.Failed')"));
  ASSERT_EQ(startSource(), std::nullopt);
  EXPECT_FALSE(source_->isSearching());
  EXPECT_EQ(names(), std::vector<std::string>{"Phone"});
}

// Without BlueZ the browser is not available: the send service's test.
TEST_F(BluezTest, BrowserChoosesAmongBluezDevicesAndStopsDiscovery) {
  startMock();
  addAdapter("hci0");
  addDevice("00:1a:7d:da:71:13", "Phone");
  setBrowserTargets({});
  // Linked in here; wendlock itself loads it as a module.
  registerBluezDeviceSource();
  for (const bool pick : {true, false}) {
    // The default chooser waits out the search, in virtual time.
    testhooks::useVirtualTime(700000000.0);
    auto ui = std::make_unique<testkit::RecordingFrontEnd>();
    if (pick) ui->choice = 0;
    const auto* choosers = &ui->choosers;
    setFrontEnd(std::move(ui));
    ServiceRecord record;
    const int result = IOBluetoothServiceBrowserControllerBrowseDevices(
        &record, kIOBluetoothServiceBrowserControllerOptionsAutoStartInquiry);
    testhooks::useRealTime();
    EXPECT_EQ(*choosers, std::vector<std::size_t>{1});
    EXPECT_TRUE(testkit::runUntil(
        [&] { return calls("/org/bluez/hci0", "StopDiscovery") == (pick ? 1u : 2u); }));
    EXPECT_EQ(result, pick ? kIOBluetoothUISuccess : kIOBluetoothUIUserCanceledErr);
    EXPECT_EQ(record.describe(), pick ? "bt:00:1A:7D:DA:71:13" : ServiceRecord().describe());
    setFrontEnd(nullptr);
  }
}

}  // namespace
}  // namespace wendlock
