#include "service/platform/bluez/BluezDeviceSource.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "service/platform/RunLoop.h"
#include "service/platform/ServiceRecord.h"
#include "service/platform/gio/BusConnection.h"

namespace wendlock {
namespace {

constexpr const char* kBluez = "org.bluez";
constexpr const char* kObjectManager = "org.freedesktop.DBus.ObjectManager";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kAdapterInterface = "org.bluez.Adapter1";
constexpr const char* kDeviceInterface = "org.bluez.Device1";

bool is(const char* a, const char* b) {
  return a != nullptr && std::strcmp(a, b) == 0;
}

std::string remoteErrorName(GError* error) {
  gchar* name = g_dbus_error_get_remote_error(error);
  std::string result = name != nullptr ? name : "";
  g_free(name);
  return result;
}

// Why BlueZ could not be asked, in words for the log.
std::string describeCallError(GError* error) {
  const std::string name = remoteErrorName(error);
  if (name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
      name == "org.freedesktop.DBus.Error.NameHasNoOwner") {
    return "BlueZ is not running";
  }
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) return "BlueZ does not answer";
  return std::string("BlueZ refused: ") + error->message;
}

const char* stringValue(GVariant* value) {
  return g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ? g_variant_get_string(value, nullptr)
                                                            : nullptr;
}

bool listsObjectPush(GVariant* uuids) {
  if (!g_variant_is_of_type(uuids, G_VARIANT_TYPE_STRING_ARRAY)) return false;
  GVariantIter iter;
  const char* uuid = nullptr;
  g_variant_iter_init(&iter, uuids);
  while (g_variant_iter_next(&iter, "&s", &uuid)) {
    if (g_ascii_strcasecmp(uuid, kObjectPushServiceUuid) == 0) return true;
  }
  return false;
}

// Values of the wrong type are ignored: BlueZ's word is not trusted blindly.
template <class Apply>
void forEachProperty(GVariant* properties, Apply apply) {
  if (!g_variant_is_of_type(properties, G_VARIANT_TYPE_VARDICT)) return;
  GVariantIter iter;
  const char* key = nullptr;
  GVariant* value = nullptr;
  g_variant_iter_init(&iter, properties);
  while (g_variant_iter_loop(&iter, "{&sv}", &key, &value)) apply(key, value);
}

template <class Device>
void applyDeviceProperty(Device& d, const char* key, GVariant* value) {
  if (is(key, "Address")) {
    if (const char* s = stringValue(value)) d.address = s;
  } else if (is(key, "Alias")) {
    if (const char* s = stringValue(value)) d.alias = s;
  } else if (is(key, "Name")) {
    if (const char* s = stringValue(value)) d.name = s;
  } else if (is(key, "Icon")) {
    if (const char* s = stringValue(value)) d.icon = s;
  } else if (is(key, "Paired")) {
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN))
      d.paired = g_variant_get_boolean(value);
  } else if (is(key, "UUIDs")) {
    d.offersPush = listsObjectPush(value);
  } else if (is(key, "RSSI")) {
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT16)) d.rssi = g_variant_get_int16(value);
  }
}

template <class Device>
void forgetDeviceProperty(Device& d, const char* key) {
  if (is(key, "Address")) d.address.clear();
  if (is(key, "Alias")) d.alias.clear();
  if (is(key, "Name")) d.name.clear();
  if (is(key, "Icon")) d.icon.clear();
  if (is(key, "Paired")) d.paired = false;
  if (is(key, "UUIDs")) d.offersPush = false;
  if (is(key, "RSSI")) d.rssi.reset();
}

template <class Adapter>
void applyAdapterProperty(Adapter& a, const char* key, GVariant* value) {
  if (!g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) return;
  if (is(key, "Powered")) a.powered = g_variant_get_boolean(value);
  if (is(key, "Discovering")) a.discovering = g_variant_get_boolean(value);
}

std::string collationKey(const std::string& name) {
  gchar* folded = g_utf8_casefold(name.c_str(), -1);
  gchar* key = g_utf8_collate_key(folded, -1);
  std::string result = key;
  g_free(key);
  g_free(folded);
  return result;
}

bool sameEntries(const std::vector<DeviceEntry>& a, const std::vector<DeviceEntry>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const DeviceEntry& x, const DeviceEntry& y) {
                      return x.name == y.name && x.address == y.address && x.paired == y.paired &&
                             x.icon == y.icon;
                    });
}

}  // namespace

BluezDeviceSource::~BluezDeviceSource() {
  stop();
}

bool BluezDeviceSource::start(std::function<void()> changed, std::string* error) {
  stop();
  reset();
  std::string reason;
  if (!connect(&reason) || !loadObjects(&reason) || !chooseAdapter(&reason)) {
    disconnect();
    reset();
    if (error != nullptr) *error = reason;
    return false;
  }
  changed_ = std::move(changed);
  startDiscovery();
  published_ = entries();
  publishedSearching_ = isSearching();
  return true;
}

void BluezDeviceSource::stopSearching() {
  if (connection_ != nullptr && discoveryStarted_) {
    // No reply wanted: closing must not wait for BlueZ. BlueZ would end our
    // discovery anyway once our connection is gone.
    g_dbus_connection_call(connection_, kBluez, adapterPath_.c_str(), kAdapterInterface,
                           "StopDiscovery", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                           nullptr, nullptr);
    // Searching ends now, whenever BlueZ's Discovering change comes.
    if (auto a = adapters_.find(adapterPath_); a != adapters_.end()) a->second.discovering = false;
  }
  discoveryStarted_ = false;
  publish();
}

void BluezDeviceSource::searchAgain() {
  if (!canSearch() || isSearching()) return;
  startDiscovery();
  publish();
}

bool BluezDeviceSource::canSearch() const {
  if (connection_ == nullptr) return false;
  const auto adapter = adapters_.find(adapterPath_);
  return adapter != adapters_.end() && adapter->second.powered;
}

void BluezDeviceSource::stop() {
  changed_ = nullptr;  // nobody is told of the end
  stopSearching();
  disconnect();
}

void BluezDeviceSource::reset() {
  adapters_.clear();
  devices_.clear();
  adapterPath_.clear();
  discoveryStarted_ = false;
  seenCount_ = 0;
  published_.clear();
  publishedSearching_ = false;
}

bool BluezDeviceSource::connect(std::string* reason) {
  GError* error = nullptr;
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (address == nullptr) {
    *reason = std::string("the system bus is not reachable: ") + error->message;
    g_clear_error(&error);
    return false;
  }
  // A connection of our own rather than GIO's shared one: closing it must
  // not end the process, and it ends BlueZ's discovery for us on exit.
  std::string why;
  connection_ = connectToBus(address, kCallTimeoutMilliseconds, &why);
  g_free(address);
  if (connection_ == nullptr) {
    *reason = "the system bus " + why.substr(std::string("the bus ").size());
    return false;
  }
  GMainContext* context = RunLoop::currentRunLoop().context();

  // Signals are delivered to the context that is the thread's default when
  // subscribing: the run loop's. Subscribing before reading the objects
  // means no change between the two is missed.
  g_main_context_push_thread_default(context);
  subscriptions_.push_back(g_dbus_connection_signal_subscribe(
      connection_, kBluez, kObjectManager, "InterfacesAdded", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr));
  subscriptions_.push_back(g_dbus_connection_signal_subscribe(
      connection_, kBluez, kObjectManager, "InterfacesRemoved", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr));
  subscriptions_.push_back(g_dbus_connection_signal_subscribe(
      connection_, kBluez, kProperties, "PropertiesChanged", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr));
  subscriptions_.push_back(g_dbus_connection_signal_subscribe(
      connection_, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
      "/org/freedesktop/DBus", kBluez, G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr));
  g_main_context_pop_thread_default(context);
  return true;
}

void BluezDeviceSource::disconnect() {
  if (connection_ == nullptr) return;
  // No callback runs after unsubscribing, even for signals already queued.
  for (guint id : subscriptions_) g_dbus_connection_signal_unsubscribe(connection_, id);
  subscriptions_.clear();
  // Closing does not flush by itself; StopDiscovery may still be queued.
  g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
  g_dbus_connection_close_sync(connection_, nullptr, nullptr);
  g_object_unref(connection_);
  connection_ = nullptr;
}

bool BluezDeviceSource::loadObjects(std::string* reason) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      connection_, kBluez, "/", kObjectManager, "GetManagedObjects", nullptr,
      G_VARIANT_TYPE("(a{oa{sa{sv}}})"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, nullptr,
      &error);
  if (reply == nullptr) {
    *reason = describeCallError(error);
    g_clear_error(&error);
    return false;
  }
  GVariant* objects = g_variant_get_child_value(reply, 0);
  GVariantIter iter;
  const char* path = nullptr;
  GVariant* interfaces = nullptr;
  g_variant_iter_init(&iter, objects);
  while (g_variant_iter_loop(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
    addInterfaces(path, interfaces);
  }
  g_variant_unref(objects);
  g_variant_unref(reply);
  return true;
}

bool BluezDeviceSource::chooseAdapter(std::string* reason) {
  if (adapters_.empty()) {
    *reason = "there is no Bluetooth adapter";
    return false;
  }
  const auto powered = std::find_if(adapters_.begin(), adapters_.end(),
                                    [](const auto& a) { return a.second.powered; });
  if (powered == adapters_.end()) {
    *reason = "Bluetooth is off";
    return false;
  }
  adapterPath_ = powered->first;

  // Those already in range when we start have no order of appearance; the
  // stronger signal comes first.
  std::vector<Device*> present;
  for (auto& [path, device] : devices_) {
    device.seen = 0;
    if (device.rssi) present.push_back(&device);
  }
  std::stable_sort(present.begin(), present.end(),
                   [](const Device* a, const Device* b) { return *a->rssi > *b->rssi; });
  for (Device* device : present) device->seen = ++seenCount_;
  return true;
}

void BluezDeviceSource::startDiscovery() {
  // Object Push runs over RFCOMM, so only BR/EDR devices can take it. Older
  // BlueZ may lack filters; discovery is tried regardless.
  GVariantBuilder filter;
  g_variant_builder_init(&filter, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&filter, "{sv}", "Transport", g_variant_new_string("bredr"));
  GVariant* filtered = g_dbus_connection_call_sync(
      connection_, kBluez, adapterPath_.c_str(), kAdapterInterface, "SetDiscoveryFilter",
      g_variant_new("(a{sv})", &filter), nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds,
      nullptr, nullptr);
  if (filtered != nullptr) g_variant_unref(filtered);

  GVariant* started = g_dbus_connection_call_sync(
      connection_, kBluez, adapterPath_.c_str(), kAdapterInterface, "StartDiscovery", nullptr,
      nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, nullptr, nullptr);
  if (started == nullptr) return;  // the known devices are still worth offering
  g_variant_unref(started);
  discoveryStarted_ = true;
  // BlueZ's Discovering change is still on its way; searching starts now.
  adapters_[adapterPath_].discovering = true;
}

void BluezDeviceSource::onSignal(GDBusConnection* /*connection*/, const gchar* /*sender*/,
                                 const gchar* path, const gchar* /*interface*/, const gchar* member,
                                 GVariant* parameters, gpointer self) {
  RunLoop::currentRunLoop().guard(
      [&] { static_cast<BluezDeviceSource*>(self)->handleSignal(path, member, parameters); });
}

void BluezDeviceSource::handleSignal(const char* path, const char* member, GVariant* parameters) {
  if (is(member, "InterfacesAdded")) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oa{sa{sv}})"))) return;
    const char* object = nullptr;
    GVariant* interfaces = nullptr;
    g_variant_get(parameters, "(&o@a{sa{sv}})", &object, &interfaces);
    addInterfaces(object, interfaces);
    g_variant_unref(interfaces);
  } else if (is(member, "InterfacesRemoved")) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oas)"))) return;
    const char* object = nullptr;
    GVariant* interfaces = nullptr;
    g_variant_get(parameters, "(&o@as)", &object, &interfaces);
    removeInterfaces(object, interfaces);
    g_variant_unref(interfaces);
  } else if (is(member, "PropertiesChanged")) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    changeProperties(path, parameters);
  } else if (is(member, "NameOwnerChanged")) {
    // BlueZ went away (or was replaced): what it told us no longer holds,
    // and its discovery ended with it.
    adapters_.clear();
    devices_.clear();
    discoveryStarted_ = false;
  } else {
    return;
  }
  publish();
}

void BluezDeviceSource::addInterfaces(const char* path, GVariant* interfaces) {
  GVariantIter iter;
  const char* name = nullptr;
  GVariant* properties = nullptr;
  g_variant_iter_init(&iter, interfaces);
  while (g_variant_iter_loop(&iter, "{&s@a{sv}}", &name, &properties)) {
    if (is(name, kAdapterInterface)) {
      Adapter& adapter = adapters_[path];
      forEachProperty(properties, [&](const char* key, GVariant* value) {
        applyAdapterProperty(adapter, key, value);
      });
    } else if (is(name, kDeviceInterface)) {
      Device& device = devices_[path];
      forEachProperty(properties, [&](const char* key, GVariant* value) {
        applyDeviceProperty(device, key, value);
      });
      noteSeen(device);
    }
  }
}

void BluezDeviceSource::removeInterfaces(const char* path, GVariant* interfaces) {
  GVariantIter iter;
  const char* name = nullptr;
  g_variant_iter_init(&iter, interfaces);
  while (g_variant_iter_next(&iter, "&s", &name)) {
    if (is(name, kDeviceInterface)) devices_.erase(path);
    if (is(name, kAdapterInterface)) adapters_.erase(path);
  }
}

void BluezDeviceSource::changeProperties(const char* path, GVariant* parameters) {
  const char* interface = nullptr;
  GVariant* changed = nullptr;
  GVariant* invalidated = nullptr;
  g_variant_get(parameters, "(&s@a{sv}@as)", &interface, &changed, &invalidated);
  GVariantIter iter;
  const char* key = nullptr;
  if (is(interface, kAdapterInterface)) {
    // A change of an adapter we were never told of is not enough to know it.
    if (auto found = adapters_.find(path); found != adapters_.end()) {
      Adapter& adapter = found->second;
      forEachProperty(changed, [&](const char* k, GVariant* value) {
        applyAdapterProperty(adapter, k, value);
      });
      g_variant_iter_init(&iter, invalidated);
      while (g_variant_iter_next(&iter, "&s", &key)) {
        if (is(key, "Powered")) adapter.powered = false;
        if (is(key, "Discovering")) adapter.discovering = false;
      }
    }
  } else if (is(interface, kDeviceInterface)) {
    if (auto found = devices_.find(path); found != devices_.end()) {
      Device& device = found->second;
      forEachProperty(
          changed, [&](const char* k, GVariant* value) { applyDeviceProperty(device, k, value); });
      g_variant_iter_init(&iter, invalidated);
      while (g_variant_iter_next(&iter, "&s", &key)) forgetDeviceProperty(device, key);
      noteSeen(device);
    }
  }
  g_variant_unref(changed);
  g_variant_unref(invalidated);
}

void BluezDeviceSource::noteSeen(Device& device) {
  if (device.rssi && device.seen == 0 && !adapterPath_.empty()) device.seen = ++seenCount_;
}

void BluezDeviceSource::publish() {
  std::vector<DeviceEntry> now = entries();
  const bool searching = isSearching();
  if (searching == publishedSearching_ && sameEntries(now, published_)) return;
  published_ = std::move(now);
  publishedSearching_ = searching;
  if (changed_) {
    // A copy: the callback may stop (and so clear changed_) while it runs.
    const std::function<void()> changed = changed_;
    changed();
  }
}

std::vector<DeviceEntry> BluezDeviceSource::entries() const {
  struct Shown {
    int group;  // 0 paired, 1 seen by this discovery, 2 known from before
    std::uint64_t seen;
    std::string key;
    DeviceEntry entry;
  };
  std::vector<Shown> shown;
  // Devices of an adapter that is gone cannot be reached, whatever BlueZ
  // failed to say about them.
  if (adapterPath_.empty() || !adapters_.contains(adapterPath_) || isPoweredOff()) return {};
  const std::string prefix = adapterPath_ + "/";
  for (const auto& [path, d] : devices_) {
    if (!d.offersPush || path.compare(0, prefix.size(), prefix) != 0) continue;
    std::optional<ServiceRecord> record = ServiceRecord::parse("bt:" + d.address);
    if (!record) continue;  // no usable address, so nothing to connect to
    DeviceEntry entry;
    entry.name = !d.alias.empty() ? d.alias : !d.name.empty() ? d.name : record->address;
    entry.address = record->address;
    entry.paired = d.paired;
    entry.icon = d.icon;
    record->name = entry.name;
    entry.record = std::move(*record);
    const int group = d.paired ? 0 : d.seen != 0 ? 1 : 2;
    shown.push_back({group, group == 1 ? d.seen : 0, collationKey(entry.name), std::move(entry)});
  }
  std::sort(shown.begin(), shown.end(), [](const Shown& a, const Shown& b) {
    if (a.group != b.group) return a.group < b.group;
    if (a.seen != b.seen) return a.seen < b.seen;
    if (a.key != b.key) return a.key < b.key;
    return a.entry.address < b.entry.address;
  });
  std::vector<DeviceEntry> result;
  result.reserve(shown.size());
  for (Shown& s : shown) result.push_back(std::move(s.entry));
  return result;
}

bool BluezDeviceSource::isPoweredOff() const {
  if (connection_ == nullptr) return false;
  const auto adapter = adapters_.find(adapterPath_);
  return adapter != adapters_.end() && !adapter->second.powered;
}

bool BluezDeviceSource::isSearching() const {
  if (connection_ == nullptr) return false;
  const auto adapter = adapters_.find(adapterPath_);
  // Powering off ends discovery even before BlueZ says so.
  return adapter != adapters_.end() && adapter->second.powered && adapter->second.discovering;
}

}  // namespace wendlock
