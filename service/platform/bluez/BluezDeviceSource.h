// The Bluetooth devices BlueZ knows and discovers, read over D-Bus on the
// system bus. Only devices that offer OBEX Object Push are offered; the list
// follows BlueZ live while the source is started.
#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "service/platform/DeviceSource.h"

namespace wendlock {

// Makes BlueZ the device browser's source of devices.
//   registerBluezDeviceSource();
void registerBluezDeviceSource();

// The service class UUID of OBEX Object Push (0x1105).
inline constexpr const char* kObjectPushServiceUuid = "00001105-0000-1000-8000-00805f9b34fb";

class BluezDeviceSource : public DeviceSource {
 public:
  BluezDeviceSource() = default;
  ~BluezDeviceSource() override;
  BluezDeviceSource(const BluezDeviceSource&) = delete;
  BluezDeviceSource& operator=(const BluezDeviceSource&) = delete;

  // Connects to the system bus (the one DBUS_SYSTEM_BUS_ADDRESS names, if
  // set), reads BlueZ's adapters and devices and starts discovery (BR/EDR)
  // on the first powered adapter. Each call to BlueZ may take up to
  // kCallTimeoutMilliseconds. False, with the reason in *error, when the bus
  // or BlueZ cannot be reached, there is no adapter or every adapter is
  // off. A failed discovery start is no failure: the known devices are
  // still offered, only isSearching() stays false. `changed` runs on the run
  // loop whenever entries() or isSearching() change. The source must not be
  // destroyed from inside `changed`. A second start() begins afresh.
  //   BluezDeviceSource source;
  //   std::string why;
  //   if (!source.start([] { /* redraw */ }, &why)) showNotAvailable(why);
  bool start(std::function<void()> changed, std::string* error) override;
  // Stops the discovery start() began and stops following BlueZ; entries()
  // keeps the last list. Safe to repeat, and without a start().
  //   source.stop();
  void stop() override;
  // The devices of the adapter in use that offer Object Push: paired ones
  // first (by name), then those seen by this discovery (in the order they
  // appeared, the strongest signal first among those already present at
  // start), then the rest (by name). Each record is a Bluetooth one with
  // channel 0, to be found by SDP.
  //   for (const DeviceEntry& e : source.entries()) list(e.name, e.address, e.paired);
  [[nodiscard]] std::vector<DeviceEntry> entries() const override;
  // True while started and the adapter in use is powered and discovering.
  //   while (source.isSearching()) runLoop.runUntilDate(soon);
  [[nodiscard]] bool isSearching() const override;
  // True while started and the adapter in use is switched off.
  [[nodiscard]] bool isPoweredOff() const override;
  // True while started on a powered adapter.
  [[nodiscard]] bool canSearch() const override;
  // Stops the discovery start() or searchAgain() began.
  void stopSearching() override;
  // Starts discovery again (after it has ended); a failure leaves
  // isSearching() false.
  void searchAgain() override;

  static constexpr int kCallTimeoutMilliseconds = 3000;

 private:
  struct Adapter {
    bool powered = false;
    bool discovering = false;
  };
  struct Device {
    std::string address;
    std::string alias;
    std::string name;
    std::string icon;
    bool paired = false;
    bool offersPush = false;
    std::optional<std::int16_t> rssi;
    std::uint64_t seen = 0;  // when this discovery first saw it; 0: not seen
  };

  bool connect(std::string* reason);
  bool loadObjects(std::string* reason);
  bool chooseAdapter(std::string* reason);
  void startDiscovery();
  void disconnect();
  void reset();

  static void onSignal(GDBusConnection* connection, const gchar* sender, const gchar* path,
                       const gchar* interface, const gchar* member, GVariant* parameters,
                       gpointer self);
  void handleSignal(const char* path, const char* member, GVariant* parameters);
  void addInterfaces(const char* path, GVariant* interfaces);
  void removeInterfaces(const char* path, GVariant* interfaces);
  void changeProperties(const char* path, GVariant* parameters);
  void noteSeen(Device& device);
  // Calls changed_ when what entries() or isSearching() answer has changed.
  void publish();

  GDBusConnection* connection_ = nullptr;
  std::vector<guint> subscriptions_;
  std::function<void()> changed_;
  std::map<std::string, Adapter> adapters_;  // by object path
  std::map<std::string, Device> devices_;    // by object path
  std::string adapterPath_;                  // the adapter in use
  bool discoveryStarted_ = false;            // by us, so ours to stop
  std::uint64_t seenCount_ = 0;
  std::vector<DeviceEntry> published_;
  bool publishedSearching_ = false;
};

}  // namespace wendlock
