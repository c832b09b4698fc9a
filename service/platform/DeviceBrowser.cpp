#include "service/platform/DeviceBrowser.h"

#include <memory>
#include <string>
#include <utility>

#include "service/platform/DeviceSource.h"
#include "service/platform/FrontEnd.h"
#include "service/platform/Module.h"
#include "support/Log.h"

namespace wendlock {
namespace {
std::vector<ServiceRecord>& targets() {
  static std::vector<ServiceRecord> list;
  return list;
}
DeviceSourceFactory& deviceSourceFactory() {
  static DeviceSourceFactory factory;
  return factory;
}
BluetoothSessionFactory& sessionFactory() {
  static BluetoothSessionFactory factory;
  return factory;
}
// The registered source of Bluetooth devices, the module's when none is;
// nullptr when there is none.
std::unique_ptr<DeviceSource> bluetoothSource() {
  static bool moduleTried = false;
  if (!deviceSourceFactory() && !moduleTried && *WENDLOCK_BLUEZ_MODULE != '\0') {
    moduleTried = true;
    std::string why;
    if (void* entry = moduleSymbol(WENDLOCK_BLUEZ_MODULE, kDeviceSourceModuleEntry, &why)) {
      reinterpret_cast<void (*)()>(entry)();
    } else {
      orvin::NSLog(u"Device browser: %@", {orvin::String::withUtf8(why)});
    }
  }
  return deviceSourceFactory() ? deviceSourceFactory()() : nullptr;
}

}  // namespace

DeviceSourceFactory setBluetoothDeviceSourceFactory(DeviceSourceFactory factory) {
  return std::exchange(deviceSourceFactory(), std::move(factory));
}

BluetoothSessionFactory setBluetoothSessionFactory(BluetoothSessionFactory factory) {
  return std::exchange(sessionFactory(), std::move(factory));
}

void setBrowserTargets(std::vector<ServiceRecord> list) {
  targets() = std::move(list);
}

int IOBluetoothServiceBrowserControllerBrowseDevices(ServiceRecord* record, unsigned /*options*/) {
  if (record == nullptr) return kIOBluetoothUINotAvailableErr;
  const std::vector<ServiceRecord>& offered = targets();
  if (offered.size() == 1) {
    *record = offered.front();
    return kIOBluetoothUISuccess;
  }
  // Named targets are a fixed list; without any, the Bluetooth backend finds
  // the devices.
  std::unique_ptr<DeviceSource> source;
  if (!offered.empty()) {
    source = std::make_unique<StaticDeviceSource>(offered);
  } else {
    source = bluetoothSource();
  }
  if (!source) {
    orvin::NSLog(u"Device browser: no Bluetooth in this wendlock; name a target with --to", {});
    return kIOBluetoothUINotAvailableErr;
  }
  std::string reason;
  // The front end looks at the source itself while its chooser is open.
  if (!source->start([] {}, &reason)) {
    orvin::NSLog(u"Device browser: %@", {orvin::String::withUtf8(reason)});
    return kIOBluetoothUINotAvailableErr;
  }
  // Should the chooser raise, the source's destructor stops it.
  std::optional<ServiceRecord> chosen = frontEnd().chooseDevice(*source);
  source->stop();
  if (!chosen) return kIOBluetoothUIUserCanceledErr;
  *record = std::move(*chosen);
  return kIOBluetoothUISuccess;
}

OBEXError IOBluetoothOBEXSessionCreateWithIOBluetoothSDPServiceRecordRef(
    const ServiceRecord& record, OBEXSessionRef* session) {
  if (session == nullptr) return kOBEXBadArgumentError;
  *session = nullptr;
  if (record.kind == ServiceRecord::Kind::Tcp) {
    return OBEXSessionCreateWithTCP(record.host, record.port, session);
  }
  if (!sessionFactory()) return kOBEXSessionNoTransportError;
  return sessionFactory()(record, session);
}

}  // namespace wendlock
