// Where the device chooser's entries come from: the targets named on the
// command line, or the Bluetooth devices BlueZ knows and discovers. A source
// may change while the chooser is open; it says so through a callback on the
// run loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "service/platform/ServiceRecord.h"

namespace wendlock {

struct DeviceEntry {
  std::string name;     // what the user recognises (alias, or the target)
  std::string address;  // "AA:BB:CC:DD:EE:FF", or the tcp: target
  bool paired = false;
  ServiceRecord record;  // what choosing it answers
  std::string icon;      // the kind of device as a desktop icon name ("phone"); "" unknown
};

class DeviceSource {
 public:
  virtual ~DeviceSource() = default;

  // Starts looking (discovery, for Bluetooth). `changed` runs on the run
  // loop whenever entries() or isSearching() change. False, with a reason,
  // when there is no way to find devices ("Bluetooth not available.").
  virtual bool start(std::function<void()> changed, std::string* error) = 0;
  // Stops looking; safe to repeat.
  virtual void stop() = 0;
  // The devices to offer, paired and recently seen ones first.
  [[nodiscard]] virtual std::vector<DeviceEntry> entries() const = 0;
  [[nodiscard]] virtual bool isSearching() const = 0;
  // True while the adapter in use is switched off: nothing can be found or
  // reached, and entries() is empty.
  [[nodiscard]] virtual bool isPoweredOff() const { return false; }
  // Whether searchAgain() can find more devices.
  [[nodiscard]] virtual bool canSearch() const { return false; }
  // Ends the search start() began; entries() keeps what was found.
  virtual void stopSearching() {}
  // Searches again after the search has ended.
  virtual void searchAgain() {}
};

// The targets named with --to: fixed, never searching.
class StaticDeviceSource : public DeviceSource {
 public:
  explicit StaticDeviceSource(std::vector<ServiceRecord> targets);
  bool start(std::function<void()> changed, std::string* error) override;
  void stop() override {}
  [[nodiscard]] std::vector<DeviceEntry> entries() const override { return entries_; }
  [[nodiscard]] bool isSearching() const override { return false; }

 private:
  std::vector<DeviceEntry> entries_;
};

}  // namespace wendlock
